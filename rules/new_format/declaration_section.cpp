// Section "fisierul REV5_NA": the declarations, their identity documents,
// their links to the packs and the monthly rows, and the whole-file passes
// for duplicate CPAS codes, declarations per pack and duplicate IDNP codes.
#include <algorithm>
#include <array>

#include "data/text.h"
#include "rules/common/duplicates.h"
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {
namespace {

void SetDeclarationContext(FindingWriter& c, const Table& na, RowId r) {
  common::SetDeclarationContext(c, na, r, {na::NA_PL, na::NA_ID, na::NA_LAST_NAME});
}

// Dates outside [lowest, today] (both ends pass) draw "проверьте дату".
void CheckDateWindow(Run& run, std::string_view rule, RowId r, int f, Date lowest) {
  const Table& na = run.dm.name_account;
  if (na.IsEmpty(r, f)) return;
  Date d = na.DateValue(r, f);
  if (d < lowest || d > run.checks.today()) {
    run.checks.ReportFieldError(rule, run.na_caption[static_cast<std::size_t>(f)], "проверьте дату");
  }
}

struct DeclarationLinks {
  explicit DeclarationLinks(const NewFormatTables& dm)
      : viddoc(dm.viddoc, {dict::ID}),
        pack(dm.pack_label, {pl::PL_ID}),
        // By pack first, as DeclarationLookup and for the same reason.
        monthly_rows(dm.saldo_data, {sd::SD_PL, sd::SD_NA}, {sd::SD_MONTH}),
        viddoc_of(viddoc.LinkColumn(dm.name_account, na::NA_DOC_TYPE)),
        pack_of(pack.LinkColumn(dm.name_account, na::NA_PL)) {}
  DeclarationLinks(const DeclarationLinks&) = delete;  // the column links point into it
  DeclarationLinks& operator=(const DeclarationLinks&) = delete;
  Lookup viddoc;
  Lookup pack;
  Lookup monthly_rows;
  // The same links of each REV5_NA row, found once per value.
  Lookup::ColumnLink viddoc_of;  // by NA_DOC_TYPE
  Lookup::ColumnLink pack_of;    // by NA_PL
};

void CheckPack(Run& run, const DeclarationLinks& links, RowId r) {
  const Table& na = run.dm.name_account;
  const std::string& caption = run.na_caption[na::NA_PL];
  run.checks.CheckFilled("new.na.pack-filled", na, r, na::NA_PL, caption);
  run.checks.CheckPresentIn("new.na.pack-in-ip", na, r, na::NA_PL,
                            Linked(run.dm.pack_label, links.pack_of(r)), pl::PL_ID, caption,
                            "REV5_IP");
}

void CheckMonthlyRowsExist(Run& run, const DeclarationLinks& links, const DeclarationOptions& o, RowId r) {
  const Table& na = run.dm.name_account;
  Linked first(run.dm.saldo_data, links.monthly_rows.First(na, r, {na::NA_PL, na::NA_ID}));
  bool missing = o.monthly_rows == LinkTest::RowExists ? !first.found()
                                                       : first.Number(sd::SD_NA) != na.Number(r, na::NA_ID) ||
                                                             first.Number(sd::SD_PL) != na.Number(r, na::NA_PL);
  if (missing) run.checks.ReportFieldError("new.na.monthly-rows-exist", "", "данные отсутствуют в файле REV5_SD");
}

void CheckCpas(Run& run, const DeclarationOptions& o, RowId r) {
  const Table& na = run.dm.name_account;
  const std::string& caption = run.na_caption[na::NA_CPAS];
  std::string_view cpas = na.View(r, na::NA_CPAS);
  if (cpas.empty()) {
    if (!o.cpas_missing_message.empty())
      run.checks.ReportFieldError(o.cpas_missing_rule, caption, o.cpas_missing_message);
    return;
  }
  if (Utf8Length(cpas) != 11) run.checks.ReportFieldError("new.na.cpas-length", caption, "не содержит 11 знаков.");
  run.checks.CheckDigitsOnly("new.na.cpas-digits", na, r, na::NA_CPAS, caption);
}

void CheckNames(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  FindingWriter& c = run.checks;
  const auto& cap = run.na_caption;
  c.CheckFilled("new.na.last-name-filled", na, r, na::NA_LAST_NAME, cap[na::NA_LAST_NAME]);
  c.CheckNameCharacters("new.na.last-name-characters", na, r, na::NA_LAST_NAME, cap[na::NA_LAST_NAME]);
  c.CheckFilled("new.na.first-name-filled", na, r, na::NA_FIRST_NAME, cap[na::NA_FIRST_NAME]);
  c.CheckNameCharacters("new.na.first-name-characters", na, r, na::NA_FIRST_NAME, cap[na::NA_FIRST_NAME]);
  if (!na.IsEmpty(r, na::NA_MIDDLE_NAME)) {
    c.CheckNameCharacters("new.na.middle-name-characters", na, r, na::NA_MIDDLE_NAME, cap[na::NA_MIDDLE_NAME]);
  }
}

void CheckIdnp(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  std::string_view idnp = na.View(r, na::NA_IDNP);
  if (idnp.empty()) return;
  const std::string& caption = run.na_caption[na::NA_IDNP];
  if (Utf8Length(idnp) != 13) run.checks.ReportFieldError("new.na.idnp-length", caption, "не содержит 13 знаков.");
  run.checks.CheckDigitsOnly("new.na.idnp-digits", na, r, na::NA_IDNP, caption);
}

// The rules that tie the document type to the personal code and the
// document's series and number. A type of 0 means no document and is never
// accepted, so it always draws at least one of its two lines.
void CheckDocumentType(Run& run, const DeclarationLinks& links, RowId r) {
  const Table& na = run.dm.name_account;
  FindingWriter& c = run.checks;
  const std::string& caption = run.na_caption[na::NA_DOC_TYPE];
  if (!na.IsEmpty(r, na::NA_DOC_TYPE)) {
    c.CheckDictionaryCode("new.na.doc-type-in-dictionary", na, r, na::NA_DOC_TYPE,
                          Linked(run.dm.viddoc, links.viddoc_of(r)), dict::ID, caption);
  }
  const bool type_empty = na.IsEmpty(r, na::NA_DOC_TYPE);
  const bool type_zero = !type_empty && na.Int(r, na::NA_DOC_TYPE) == 0;  // reads "0"
  const int type = na.Int(r, na::NA_DOC_TYPE);
  const bool idnp = !na.IsEmpty(r, na::NA_IDNP);
  const bool seria = !na.IsEmpty(r, na::NA_DOC_SERIA);
  const bool number = !na.IsEmpty(r, na::NA_DOC_NUMBER);

  if (type_zero && (idnp || seria || number)) {
    c.ReportFieldError("new.na.doc-type-zero-without-document", caption, "неправильно указан тип документа");
  }
  if (type_empty && !idnp && (seria || number)) {
    c.ReportFieldError("new.na.doc-type-given", caption, "неправильно указан тип документа");
  }
  if (type_zero && (!idnp || !seria || !number)) {
    c.ReportFieldError("new.na.doc-type-not-zero", caption, "не должен быть равен нулю");
  }
  static constexpr std::array kIdnpTypes = {1, 12, 13, 14, 22, 23, 24, 25, 26};
  if (std::find(kIdnpTypes.begin(), kIdnpTypes.end(), type) != kIdnpTypes.end() && !idnp) {
    c.ReportFieldError("new.na.doc-type-needs-idnp", run.na_caption[na::NA_IDNP],
                       "должен быть заполнен, при типе документа =1,12,13,14,22,23,24,25,26");
  }
  if ((type == 2 || type == 3) && idnp) {
    c.ReportFieldError("new.na.doc-type-forbids-idnp", caption,
                       "= 2 или 3, код IDNP не должен быть заполнен или неверно заполнен тип документа");
  }
  if ((type == 2 || type == 3) && (!seria || !number)) {
    c.ReportFieldError("new.na.doc-type-needs-series", caption,
                       "= 2 или 3, должны быть заполнены серия и номер документа");
  }
  if (type == 4 && !number) {
    c.ReportFieldError("new.na.doc-type-needs-number", caption, "= 4, должен быть заполнен номер документа");
  }
}

void CheckIdentityPresent(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  if (na.IsEmpty(r, na::NA_CPAS) && na.IsEmpty(r, na::NA_IDNP) && na.IsEmpty(r, na::NA_DOC_SERIA) &&
      na.IsEmpty(r, na::NA_DOC_NUMBER)) {
    run.checks.ReportFieldError("new.na.identity-given", run.na_caption[na::NA_CPAS],
                                "пустой, то должны быть заполнены паспортные данные");
  }
}

void CheckDocumentNumber(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  const std::string& caption = run.na_caption[na::NA_DOC_NUMBER];
  if (Utf8Length(na.View(r, na::NA_DOC_NUMBER)) > 8) {
    run.checks.ReportFieldError("new.na.doc-number-length", caption, "длина превышает 8 символов");
  }
  run.checks.CheckDigitsOnly("new.na.doc-number-digits", na, r, na::NA_DOC_NUMBER, caption);
}

// Groups the declarations by the text of NA_PL (in NA_PL;NA_ID order) and
// compares each group's size with PL_DOC_NUMBER of its pack (0 when the pack
// is missing). A pack without declarations is not reported here. A line
// names the pack's record in REV5_IP, or the group's first declaration when
// the pack is not there.
void RunDeclarationsPerPackPass(Run& run) {
  FindingWriter& c = run.checks;
  const Table& na = run.dm.name_account;
  const Lookup packs(run.dm.pack_label, {pl::PL_ID});
  std::string group(common::kNoCodeYet);
  int count = 0;
  int declared = 0;
  FindingContext group_record;
  auto close = [&] {
    if (group != common::kNoCodeYet && declared != count) {
      c.ReportPack("new.na.declarations-per-pack", group,
                   "количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip", group_record);
    }
  };
  c.WalkRows(*na.SharedOrder({na::NA_PL, na::NA_ID}), [&](RowId r) {
    const std::string_view pack = na.View(r, na::NA_PL);
    if (pack != group) {
      close();
      group.assign(pack);
      count = 0;
      const Linked pack(run.dm.pack_label, packs.First(na, r, {na::NA_PL}));
      declared = pack.Int(pl::PL_DOC_NUMBER);
      if (pack.found()) {
        group_record.At(run.dm.pack_label, pack.row());
      } else {
        group_record.At(na, r);
      }
    }
    ++count;
  });
  close();
}

}  // namespace

void RunDeclarationSection(Run& run, const DeclarationOptions& options) {
  FindingWriter& c = run.checks;
  c.BeginSection("REV5_NA");
  const Table& na = run.dm.name_account;
  const auto& cap = run.na_caption;
  static const Date kBirthLowest = *Date::FromYmd(1900, 1, 1);
  static const Date kIssueLowest = *Date::FromYmd(1950, 1, 1);
  {
    const DeclarationLinks links(run.dm);
    c.WalkFile(na, [&](RowId r) {
      SetDeclarationContext(c, na, r);
      c.CheckFilled("new.na.id-filled", na, r, na::NA_ID, cap[na::NA_ID]);
      CheckPack(run, links, r);
      CheckMonthlyRowsExist(run, links, options, r);
      CheckCpas(run, options, r);
      CheckNames(run, r);
      CheckDateWindow(run, "new.na.birth-date-in-window", r, na::NA_BIRTH_DT, kBirthLowest);
      CheckIdnp(run, r);
      CheckDocumentType(run, links, r);
      CheckIdentityPresent(run, r);
      CheckDocumentNumber(run, r);
      CheckDateWindow(run, "new.na.issue-date-in-window", r, na::NA_DOC_DT, kIssueLowest);
    });
  }
  run.rule_run.declaration_count = static_cast<int>(na.size());
  if (na.empty()) c.ReportPlain("new.na.file-not-empty", kEmptyFile);
  const common::DeclarationFields who{na::NA_PL, na::NA_ID, na::NA_LAST_NAME};
  common::RunDuplicateCpasPass(c, na,
                               {.rule = "new.na.cpas-unique",
                                .caption = cap[na::NA_CPAS],
                                .cpas_field = na::NA_CPAS,
                                .context = who,
                                .compare = common::CompareAs::Text});
  RunDeclarationsPerPackPass(run);
  common::RunDuplicateIdnpPass(c, "new.na.idnp-unique", na, na::NA_IDNP, cap[na::NA_IDNP], who);
}

}  // namespace zentrox::new_format
