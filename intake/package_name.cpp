#include "intake/package_name.h"

#include "data/text.h"

namespace zentrox {

std::string CopyChars(std::string_view text, long index, long count) {
  if (index < 1) index = 1;
  if (count <= 0) return {};
  return std::string(Utf8Mid(text, static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(const std::string& s) {
  for (char c : s) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

std::string Quoted(std::string_view path) {
  std::string quoted;
  quoted.reserve(path.size() + 2);
  quoted += '"';
  quoted += path;
  quoted += '"';
  return quoted;
}

}  // namespace

std::vector<std::string> CheckPackageName(Variant variant, std::string_view name) {
  return CheckPackageName(Profile(variant).name_policy, name);
}

std::vector<std::string> CheckPackageName(NamePolicy policy, std::string_view name) {
  if (policy == NamePolicy::Unchecked) return {};
  const long len = static_cast<long>(Utf8Length(name));
  if (policy == NamePolicy::Length22Or30) {
    if (len != 22 && len != 30) {
      return {"ОШИБКА В ИМЕНИ ПАКЕТА (Длина должна равняться 22)!!! (или для нового формата = 30)",
              "длина ИМЕНИ ПАКЕТА =" + std::to_string(len)};
    }
  } else if (len != 30) {
    return {"ОШИБКА В ИМЕНИ ПАКЕТА (Длина должна равняться 30)!!!)", "длина ИМЕНИ ПАКЕТА =" + std::to_string(len)};
  }
  if (AsciiUpper(CopyChars(name, 1, 5)) != "REV5_") return {"ОШИБКА В ИМЕНИ ПАКЕТА (нет префикса \"REV5_\")!!!"};
  if (!AllDigits(CopyChars(name, 6, 7))) return {"ОШИБКА В ИМЕНИ ПАКЕТА (в коде ЭА не цифра)!!!"};
  if (CopyChars(name, 13, 1) != "_") {
    return {"ОШИБКА В ИМЕНИ ПАКЕТА (нет разделителя \"_\" между кодом ЭА и номером пакета)!!!"};
  }
  if (!AllDigits(CopyChars(name, 14, 5))) return {"ОШИБКА В ИМЕНИ ПАКЕТА (в номере пакета не цифра)!!!"};
  if (AsciiUpper(CopyChars(name, len - 3, 4)) != ".RAR") {
    return {"ОШИБКА В ИМЕНИ ПАКЕТА (нет постфикса \".RAR\")!!!", ShownPath(AsciiUpper(CopyChars(name, len - 2, 3)))};
  }
  return {};
}

PeriodCheck CheckPeriod(Variant variant, std::string_view path) {
  return CheckPeriod(Profile(variant).period_policy, path);
}

PeriodCheck CheckPeriod(PeriodPolicy policy, std::string_view path) {
  PeriodCheck result;
  const long n = static_cast<long>(Utf8Length(path));
  const std::string code = CopyChars(path, n - 6, 3);
  switch (policy) {
    case PeriodPolicy::NotQuarterly:
      if (code == "T01" || code == "T02" || code == "T03" || code == "T04") {
        result.ok = false;
        result.lines = {"в наименовании пакета указавается, что \"Trimestrial\" ", "Запустите нужный пункт меню"};
      }
      break;
    case PeriodPolicy::Quarter:
      if (code == "L00") {
        result.ok = false;
        result.lines = {"в наименовании пакета указавается, что \"Anual\" ", "Запустите нужный пункт меню"};
      } else if (code == "T01" || code == "T02" || code == "T03" || code == "T04") {
        result.period = code[2] - '0';
      } else {
        result.ok = false;
        result.lines = {"в наименовании пакета неверно указан номер квартала ", Quoted(ShownPath(path))};
      }
      break;
    case PeriodPolicy::Month: {
      if (CopyChars(path, n - 6, 1) != "L") {
        result.ok = false;
        result.lines = {"в наименовании пакета некорректно указана буква периода: L - ежемесячная",
                        Quoted(ShownPath(path))};
        break;
      }
      std::string mm = CopyChars(path, n - 5, 2);
      int month = (mm.size() == 2 && IsDigit(mm[0]) && IsDigit(mm[1])) ? (mm[0] - '0') * 10 + (mm[1] - '0') : 0;
      if (month < 1 || month > 12) {
        result.ok = false;
        result.lines = {"в наименовании пакета неверно указан номер месяца ", Quoted(ShownPath(path))};
      } else {
        result.period = month;
      }
      break;
    }
    case PeriodPolicy::None: break;
  }
  return result;
}

}  // namespace zentrox
