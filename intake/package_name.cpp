#include "intake/package_name.h"

#include <optional>

#include "engine/text.h"

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

std::optional<int> PeriodNumber(const PeriodCodes& codes, std::string_view code) {
  if (codes.letter.empty() || Utf8Mid(code, 0, 1) != codes.letter) return std::nullopt;
  const std::string_view digits = Utf8Mid(code, 1, 2);
  if (digits.size() != 2 || !IsDigit(digits[0]) || !IsDigit(digits[1])) return std::nullopt;
  const int number = (digits[0] - '0') * 10 + (digits[1] - '0');
  if (number < codes.first || number > codes.last) return std::nullopt;
  return number;
}

PeriodCheck CheckPeriod(Variant variant, std::string_view path) {
  std::vector<PeriodCodes> others;
  for (Variant v : AllVariants()) {
    if (v != variant) others.push_back(Profile(v).period.codes);
  }
  return CheckPeriod(Profile(variant).period, others, path);
}

PeriodCheck CheckPeriod(const PeriodGrammar& grammar, const std::vector<PeriodCodes>& others, std::string_view path) {
  PeriodCheck result;
  if (grammar.codes.letter.empty()) return result;
  const long n = static_cast<long>(Utf8Length(path));
  const std::string code = CopyChars(path, n - 6, 3);
  if (std::optional<int> number = PeriodNumber(grammar.codes, code)) {
    result.period = *number;
    return result;
  }
  if (grammar.refuses_named_families) {
    for (const PeriodCodes& other : others) {
      if (!other.family.empty() && PeriodNumber(other, code)) {
        result.ok = false;
        result.lines = {"в наименовании пакета указавается, что \"" + other.family + "\" ",
                        "Запустите нужный пункт меню"};
        return result;
      }
    }
  }
  if (!grammar.wrong_letter.empty() && Utf8Mid(code, 0, 1) != grammar.codes.letter) {
    result.ok = false;
    result.lines = {grammar.wrong_letter, Quoted(ShownPath(path))};
  } else if (!grammar.wrong_number.empty()) {
    result.ok = false;
    result.lines = {grammar.wrong_number, Quoted(ShownPath(path))};
  }
  return result;
}

}  // namespace zentrox
