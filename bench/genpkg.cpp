#include "bench/genpkg.h"

#include <fmt/format.h>

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "engine/date.h"
#include "engine/text.h"
#include "model/schemas.h"

namespace zentrox::bench {
namespace {

constexpr char kEnd = '\xB0';
constexpr std::size_t kPackSize = 50;

// splitmix64: small, fast and the same on every platform, unlike the
// standard distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t series) : state_(series * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi].
  std::int64_t Between(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool Chance(double p) { return p > 0 && static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }
  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(Next() % N)];
  }

 private:
  std::uint64_t state_;
};

// One line of a package file: fields each followed by the terminator.
class Line {
 public:
  explicit Line(GeneratedFile& file) : out_(file.bytes) { ++file.lines; }
  ~Line() { out_ += "\r\n"; }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  Line& Text(std::string_view cp1251) {
    out_.append(cp1251);
    out_.push_back(kEnd);
    return *this;
  }
  Line& Int(std::int64_t v) {
    fmt::format_to(std::back_inserter(out_), "{}", v);
    out_.push_back(kEnd);
    return *this;
  }
  // An amount of whole cents written with two decimals.
  Line& Money(std::int64_t cents) {
    const char* sign = cents < 0 ? "-" : "";
    std::int64_t a = cents < 0 ? -cents : cents;
    fmt::format_to(std::back_inserter(out_), "{}{}.{:02}", sign, a / 100, a % 100);
    out_.push_back(kEnd);
    return *this;
  }
  Line& Day(int day, int month, int year) {
    fmt::format_to(std::back_inserter(out_), "{:02}.{:02}.{:04}", day, month, year);
    out_.push_back(kEnd);
    return *this;
  }
  Line& Empty() {
    out_.push_back(kEnd);
    return *this;
  }

 private:
  std::string& out_;
};

const std::array<std::string_view, 24> kLastNames = {
    "ARNAUT",  "BALAN",    "CEBAN",    "DRAGAN",   "LUPU-NEGRU", "MORARU", "ROTARU", "CIOBANU",
    "RUSU",    "MUNTEANU", "POPESCU",  "COJOCARU", "GUTU",       "TURCAN", "SARBU",  "CRUDU",
    "BOTNARU", "URSU",     "CALANCEA", "PLESCA",   "ROSCA",      "OLARU",  "NEGRU",  "ST. JOHN"};
const std::array<std::string_view, 16> kFirstNames = {"VICTOR", "MARIA",   "ALEXANDRU", "ELENA", "ANA",    "DENIS",
                                                      "ION",    "NATALIA", "SERGIU",    "OLGA",  "VASILE", "IRINA",
                                                      "MIHAI",  "TATIANA", "PAVEL",     "DOINA"};
const std::array<std::string_view, 8> kMiddleNames = {"ION", "PETRU", "", "M.", "ANDREI", "", "VASILE", "GHEORGHE"};
// Job codes active in the job dictionaries of both formats.
const std::array<int, 12> kJobCodes = {111201, 121101, 241101, 241102, 242301, 251201,
                                       311501, 332201, 711201, 721201, 832201, 962901};
// Categories valid in 2025 and 2026 that carry contributions.
const std::array<std::string_view, 6> kCategories = {"1", "2", "4", "5", "8", "1"};
const std::array<std::string_view, 4> kOldCategories = {"1", "2", "6", "8"};

struct Person {
  std::string last, first, middle;
  int birth_day, birth_month, birth_year;
  int issue_day, issue_month, issue_year;
};

Person MakePerson(Rng& rng) {
  Person p;
  p.last = std::string(rng.Pick(kLastNames));
  p.first = std::string(rng.Pick(kFirstNames));
  p.middle = std::string(rng.Pick(kMiddleNames));
  p.birth_day = static_cast<int>(rng.Between(1, 28));
  p.birth_month = static_cast<int>(rng.Between(1, 12));
  p.birth_year = static_cast<int>(rng.Between(1950, 2004));
  p.issue_day = static_cast<int>(rng.Between(1, 28));
  p.issue_month = static_cast<int>(rng.Between(1, 12));
  p.issue_year = static_cast<int>(rng.Between(std::max(p.birth_year + 16, 2005), 2025));
  return p;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Money of one monthly row, in cents.
struct Amounts {
  std::int64_t fond = 0, ill = 0, ap = 0, ea = 0, total = 0;
  void Add(const Amounts& o) {
    fond += o.fond;
    ill += o.ill;
    ap += o.ap;
    ea += o.ea;
    total += o.total;
  }
};

std::int64_t Percent(std::int64_t cents, int percent) { return (cents * percent + 50) / 100; }

Amounts MakeAmounts(Rng& rng) {
  Amounts a;
  a.fond = rng.Between(200000, 3000000);
  a.ill = rng.Chance(0.2) ? rng.Between(1000, a.fond / 4) : 0;
  a.ap = Percent(a.fond, 6);
  a.ea = Percent(a.fond, 24);
  a.total = a.ap + a.ea;
  return a;
}

// ----- new formats -------------------------------------------------------------

struct NewFormatShape {
  int type_form;
  int year;
  int period;  // TRIMESTR: quarter, month or 0
  std::vector<int> months;
  bool empty_inner_dates;  // annual: whole months may leave their dates empty
  int formed_day, formed_month, formed_year;
  const char* archive;
};

NewFormatShape ShapeOf(Variant v) {
  switch (v) {
    case Variant::Monthly: return {1, 2026, 11, {11}, false, 4, 12, 2026, "REV5_1234567_00003_2026L11.rar"};
    case Variant::Annual:
      return {3, 2025, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, true, 24, 2, 2026, "REV5_1234567_00004_2025L00.rar"};
    default: return {2, 2026, 3, {7, 8, 9}, false, 14, 10, 2026, "REV5_1234567_00001_2026T03.rar"};
  }
}

void WriteNaRow(GeneratedFile& na, Rng& rng, double fault_rate, std::size_t& faulty, std::size_t index, int id,
                int pack) {
  Person p = MakePerson(rng);
  if (rng.Chance(fault_rate)) {
    p.last = Lower(p.last);  // lower-case letters are not allowed in names
    ++faulty;
  }
  Line(na)
      .Int(id)
      .Int(pack)
      .Text(fmt::format("{:011}", 20000000000ull + index))
      .Text(p.last)
      .Text(p.first)
      .Text(p.middle)
      .Day(p.birth_day, p.birth_month, p.birth_year)
      .Text(fmt::format("{:013}", 2000000000000ull + index))
      .Int(1)
      .Text("B")
      .Text(fmt::format("{:08}", 10000000 + index % 89999999))
      .Text(Utf8ToCp1251(fmt::format("ОФИС ДОК. N {}", 1 + index % 40)))
      .Day(p.issue_day, p.issue_month, p.issue_year);
}

GeneratedPackage GenerateNewFormat(const GenOptions& o) {
  const NewFormatShape shape = ShapeOf(o.variant);
  Rng rng(o.series);
  GeneratedPackage pkg;
  pkg.archive_name = shape.archive;
  GeneratedFile t{"rev5_t", {}, 0}, ip{"rev5_ip", {}, 0}, na{"rev5_na", {}, 0}, sd{"rev5_sd", {}, 0};
  const std::size_t n = o.declarations;
  const std::size_t rows_per = shape.months.size() + 1;
  na.bytes.reserve(n * 120);
  sd.bytes.reserve(n * rows_per * 80);

  Amounts package_sum;
  std::size_t packs = (n + kPackSize - 1) / kPackSize;
  for (std::size_t p = 0; p < packs; ++p) {
    const std::size_t first = p * kPackSize;
    const std::size_t count = std::min(kPackSize, n - first);
    const int pack = static_cast<int>(p + 1);
    Amounts pack_sum;
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t index = first + k;
      const int id = static_cast<int>(k + 1);
      WriteNaRow(na, rng, o.fault_rate, pkg.faulty_rows, index, id, pack);
      const int job = rng.Pick(kJobCodes);
      const std::string_view category = rng.Pick(kCategories);
      const int days = rng.Chance(0.8) ? 5 : 6;
      Amounts decl_sum;
      for (int month : shape.months) {
        Amounts a = MakeAmounts(rng);
        const int last_day = DaysInMonth(shape.year, month);
        const bool empty_dates = shape.empty_inner_dates && month != 1 && month != 12 && rng.Chance(0.7);
        // A faulty row keeps its shape and breaks one rule.
        int fault = rng.Chance(o.fault_rate) ? static_cast<int>(rng.Between(0, 3)) : -1;
        if (fault >= 0) ++pkg.faulty_rows;
        Amounts written = a;
        if (fault == 2) written.fond += 100;  // no longer adds up to the total row
        decl_sum.Add(a);
        Line line(sd);
        line.Int(id).Int(pack).Int(month).Int(job).Text(fault == 0 ? "11" : category).Int(fault == 3 ? 7 : days);
        if (empty_dates) {
          line.Empty().Empty();
        } else {
          line.Day(1, month, shape.year);
          if (fault == 1) {
            line.Text(fmt::format("32.{:02}.{}", month, shape.year));  // no such day
          } else {
            line.Day(last_day, month, shape.year);
          }
        }
        line.Money(written.fond).Money(written.ill).Money(written.ap).Money(written.ea).Money(written.total);
      }
      Line(sd)
          .Int(id)
          .Int(pack)
          .Int(13)
          .Empty()
          .Empty()
          .Empty()
          .Empty()
          .Empty()
          .Money(decl_sum.fond)
          .Money(decl_sum.ill)
          .Money(decl_sum.ap)
          .Money(decl_sum.ea)
          .Money(decl_sum.total);
      pack_sum.Add(decl_sum);
    }
    Line(ip)
        .Int(pack)
        .Int(static_cast<std::int64_t>(count))
        .Money(pack_sum.fond)
        .Money(pack_sum.ill)
        .Money(pack_sum.ap)
        .Money(pack_sum.ea)
        .Money(pack_sum.total);
    package_sum.Add(pack_sum);
  }
  Line(t)
      .Int(shape.type_form)
      .Int(shape.year)
      .Int(shape.period)
      .Text("12")
      .Text("1234567")
      .Text("1012600012348")
      .Text("CIOBANU VERONICA")
      .Day(shape.formed_day, shape.formed_month, shape.formed_year)
      .Int(static_cast<std::int64_t>(packs))
      .Money(package_sum.fond)
      .Money(package_sum.ill)
      .Money(package_sum.ap)
      .Money(package_sum.ea)
      .Money(package_sum.total);

  pkg.packs = packs;
  pkg.declarations = n;
  pkg.monthly_rows = sd.lines;
  pkg.files = {std::move(t), std::move(ip), std::move(na), std::move(sd)};
  return pkg;
}

// ----- old format ------------------------------------------------------------------

// The six sums a total row of REV5_SD carries, in cents.
struct OldAmounts {
  std::int64_t fond = 0, ill = 0, real_ea = 0, add_ea = 0, real_ap = 0, add_ap = 0, pens = 0;
  void Add(const OldAmounts& o) {
    fond += o.fond;
    ill += o.ill;
    real_ea += o.real_ea;
    add_ea += o.add_ea;
    real_ap += o.real_ap;
    add_ap += o.add_ap;
    pens += o.pens;
  }
};

GeneratedPackage GenerateOldFormat(const GenOptions& o) {
  constexpr int kYear = 2025;
  constexpr int kTariffEmployer = 23;
  constexpr int kTariffPerson = 6;
  Rng rng(o.series);
  GeneratedPackage pkg;
  pkg.archive_name = "REV5_1234567_00005.rar";
  GeneratedFile pl{"rev5_pl", {}, 0}, na{"rev5_na", {}, 0}, sd{"rev5_sd", {}, 0}, di{"rev5_di", {}, 0},
      mu{"rev5_mu", {}, 0};
  const std::size_t n = o.declarations;
  na.bytes.reserve(n * 260);
  sd.bytes.reserve(n * 13 * 75);

  const std::size_t packs = (n + kPackSize - 1) / kPackSize;
  for (std::size_t p = 0; p < packs; ++p) {
    const std::size_t first = p * kPackSize;
    const std::size_t count = std::min(kPackSize, n - first);
    const int pack = static_cast<int>(p + 1);
    OldAmounts pack_sum;
    std::int64_t pack_expenses = 0;
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t index = first + k;
      const int id = static_cast<int>(k + 1);
      Person person = MakePerson(rng);
      if (rng.Chance(o.fault_rate)) {
        person.last = Lower(person.last);
        ++pkg.faulty_rows;
      }
      OldAmounts decl_sum;
      for (int month = 1; month <= 12; ++month) {
        OldAmounts a;
        a.fond = rng.Between(200000, 3000000);
        a.ill = rng.Chance(0.2) ? rng.Between(1000, a.fond / 4) : 0;
        a.pens = a.fond - a.ill;
        a.real_ea = a.add_ea = Percent(a.pens, kTariffEmployer);
        a.real_ap = a.add_ap = Percent(a.pens, kTariffPerson);
        int fault = rng.Chance(o.fault_rate) ? static_cast<int>(rng.Between(0, 2)) : -1;
        if (fault >= 0) ++pkg.faulty_rows;
        OldAmounts written = a;
        if (fault == 1) written.fond += 100;             // the total row no longer agrees
        if (fault == 2) written.ill = written.fond + 1;  // sick pay above the fund
        decl_sum.Add(a);
        Line(sd)
            .Int(id)
            .Int(pack)
            .Int(month)
            .Money(written.fond)
            .Money(written.ill)
            .Int(fault == 0 ? 99 : kTariffEmployer)  // 99 is no tariff code
            .Money(written.real_ea)
            .Money(written.add_ea)
            .Int(kTariffPerson)
            .Money(written.real_ap)
            .Money(written.add_ap)
            .Money(written.pens);
      }
      Line(sd)
          .Int(id)
          .Int(pack)
          .Int(13)
          .Money(decl_sum.fond)
          .Money(decl_sum.ill)
          .Empty()
          .Money(decl_sum.real_ea)
          .Money(decl_sum.add_ea)
          .Empty()
          .Money(decl_sum.real_ap)
          .Money(decl_sum.add_ap)
          .Money(decl_sum.pens);

      // Benefit expenses for about a third of the people: one code, one or
      // two months, and the code-99 row with the same columns.
      std::int64_t expenses = 0;
      if (rng.Chance(0.33)) {
        std::array<std::int64_t, 12> months{};
        const int code = static_cast<int>(rng.Between(1, 7));
        const int m1 = static_cast<int>(rng.Between(0, 11));
        months[static_cast<std::size_t>(m1)] = rng.Between(10000, 300000);
        if (rng.Chance(0.5)) months[static_cast<std::size_t>((m1 + 1) % 12)] += rng.Between(10000, 300000);
        for (std::int64_t v : months) expenses += v;
        for (int row_code : {code, 99}) {
          Line line(mu);
          line.Int(id).Int(pack).Int(row_code);
          for (std::int64_t v : months) line.Money(v);
          line.Money(expenses);
        }
      }
      pack_expenses += expenses;

      Line(na)
          .Int(id)
          .Int(pack)
          .Int(kYear)
          .Int(1)
          .Text(fmt::format("{:011}", 20000000000ull + index))
          .Text(person.last)
          .Text(person.first)
          .Text(person.middle)
          .Text(fmt::format("{:013}", 2000000000000ull + index))
          .Text("N")
          .Text(rng.Pick(kOldCategories))
          .Day(person.birth_day, person.birth_month, person.birth_year)
          .Day(1, 1, kYear)
          .Day(31, 12, kYear)
          .Int(1)
          .Text("B")
          .Int(static_cast<std::int64_t>(1000000 + index % 8999999))
          .Text(Utf8ToCp1251(fmt::format("ОФИС ДОК. N {}", 1 + index % 40)))
          .Day(person.issue_day, person.issue_month, person.issue_year)
          .Text("Y")
          .Text("AB")
          .Text(fmt::format("{:07}", 1000000 + index % 8999999))
          .Money(decl_sum.real_ea - expenses)
          .Money(decl_sum.real_ap)
          .Money(0)
          .Money(0)
          .Money(expenses)
          .Text("MUNTEANU PETRU")
          .Text("CIOBANU VERONICA");

      Line(di)
          .Int(id)
          .Int(pack)
          .Day(static_cast<int>(rng.Between(1, 28)), static_cast<int>(rng.Between(1, 12)),
               static_cast<int>(rng.Between(2000, 2025)))
          .Int(rng.Pick(kJobCodes))
          .Empty()
          .Text(Utf8ToCp1251("Бухгалтерия"))
          .Text(Utf8ToCp1251(fmt::format("Приказ N {}", 1 + index % 200)));

      pack_sum.Add(decl_sum);
    }
    Line(pl)
        .Int(pack)
        .Text("12")
        .Text("1234567")
        .Int(5)
        .Day(20, 2, 2026)
        .Text("CIOBANU VERONICA")
        .Int(static_cast<std::int64_t>(count))
        .Int(static_cast<std::int64_t>(count))
        .Int(kYear)
        .Money(pack_sum.fond)
        .Money(pack_sum.ill)
        .Money(pack_sum.real_ea)
        .Money(pack_sum.add_ea)
        .Money(pack_sum.real_ap)
        .Money(pack_sum.add_ap)
        .Money(pack_expenses);
  }
  pkg.packs = packs;
  pkg.declarations = n;
  pkg.monthly_rows = sd.lines;
  pkg.files = {std::move(pl), std::move(na), std::move(sd), std::move(di), std::move(mu)};
  return pkg;
}

}  // namespace

std::size_t GeneratedPackage::bytes() const {
  std::size_t total = 0;
  for (const GeneratedFile& f : files) total += f.bytes.size();
  return total;
}

GeneratedPackage GeneratePackage(const GenOptions& options) {
  return options.variant == Variant::AnnualOld ? GenerateOldFormat(options) : GenerateNewFormat(options);
}

void WritePackageFiles(const GeneratedPackage& package, const std::string& dir) {
  for (const GeneratedFile& f : package.files) {
    const std::string path = dir + "/" + f.name;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out || std::fwrite(f.bytes.data(), 1, f.bytes.size(), out.get()) != f.bytes.size()) {
      throw std::runtime_error("cannot write " + path);
    }
    if (std::fclose(out.release()) != 0) throw std::runtime_error("cannot write " + path);
  }
}

bool ParseVariant(const std::string& id, Variant& variant) {
  const VariantProfile* p = FindProfile(id);
  if (p == nullptr) return false;
  variant = p->variant;
  return true;
}

bool ParseSdShape(const std::string& id, SdShape& shape) {
  if (id == "empty-lines") {
    shape = SdShape::EmptyLines;
  } else if (id == "one-field-lines") {
    shape = SdShape::OneFieldLines;
  } else if (id == "one-field-values") {
    shape = SdShape::OneFieldValues;
  } else if (id == "one-field-numbers") {
    shape = SdShape::OneFieldNumbers;
  } else if (id == "empty-fields") {
    shape = SdShape::EmptyFields;
  } else {
    return false;
  }
  return true;
}

void ReplaceSd(GeneratedPackage& package, Variant variant, SdShape shape, std::size_t bytes) {
  const FileKind kind = variant == Variant::AnnualOld ? FileKind::SD_OLD : FileKind::SD;
  std::string line;
  switch (shape) {
    case SdShape::EmptyLines: line = "\r\n"; break;
    case SdShape::OneFieldLines:
    case SdShape::OneFieldValues: line = "1\xB0\r\n"; break;
    case SdShape::OneFieldNumbers: line = "10000000\n"; break;
    case SdShape::EmptyFields: line = std::string(MakeTable(kind).fields().size(), '\xB0') + "\r\n"; break;
  }
  Rng rng(1);
  for (GeneratedFile& f : package.files) {
    if (f.name != "rev5_sd") continue;
    f.lines = bytes / line.size();
    f.bytes.clear();
    f.bytes.reserve(f.lines * line.size());
    for (std::size_t i = 0; i < f.lines; ++i) {
      // One-field values: the digits 0..9 in turn, so no line is the one before it again.
      if (shape == SdShape::OneFieldValues) line[0] = static_cast<char>('0' + i % 10);
      // One-field numbers: eight digits drawn at random, so few lines share a value.
      if (shape == SdShape::OneFieldNumbers) line = fmt::format("{}\n", rng.Between(10000000, 99999999));
      f.bytes += line;
    }
    package.monthly_rows = f.lines;
  }
}

}  // namespace zentrox::bench
