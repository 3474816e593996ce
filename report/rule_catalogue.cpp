#include "report/rule_catalogue.h"

#include <algorithm>

#include "report/json_writer.h"
#include "report/rule_entries.h"

namespace zentrox {
namespace {

// The catalogue's order: grouped by rule set and file.
constexpr const RuleEntry* kRules[] = {
    &rule::kAnnualOldDiDateFilled,
    &rule::kAnnualOldDiDateNotFuture,
    &rule::kAnnualOldDiDateInRange,
    &rule::kAnnualOldDiDeclarationFilled,
    &rule::kAnnualOldDiDeclarationInNa,
    &rule::kAnnualOldDiPackFilled,
    &rule::kAnnualOldDiPackInPl,
    &rule::kAnnualOldDiPositionInDictionary,
    &rule::kAnnualOldDiPositionFilled,
    &rule::kAnnualOldDiRankInDictionary,
    &rule::kAnnualOldMuCodeInDictionary,
    &rule::kAnnualOldMuCodeFilled,
    &rule::kAnnualOldMuDeclarationFilled,
    &rule::kAnnualOldMuDeclarationInNa,
    &rule::kAnnualOldMuMonthlyAmountsGiven,
    &rule::kAnnualOldMuPackFilled,
    &rule::kAnnualOldMuPackInPl,
    &rule::kAnnualOldMuTotalRowPresent,
    &rule::kAnnualOldMuTotalRowMatchesCodes,
    &rule::kAnnualOldMuTotalRowOnce,
    &rule::kAnnualOldNaAccountantCharacters,
    &rule::kAnnualOldNaAccountantFilled,
    &rule::kAnnualOldNaBeginAfterBirth,
    &rule::kAnnualOldNaBeginInRange,
    &rule::kAnnualOldNaBirthInRange,
    &rule::kAnnualOldNaCategoryInDictionary,
    &rule::kAnnualOldNaCategoryFilled,
    &rule::kAnnualOldNaCategoryNotZero,
    &rule::kAnnualOldNaCpasFilled,
    &rule::kAnnualOldNaCpasNotZero,
    &rule::kAnnualOldNaDirectorCharacters,
    &rule::kAnnualOldNaDirectorFilled,
    &rule::kAnnualOldNaDocTypeInDictionary,
    &rule::kAnnualOldNaDocTypeFilled,
    &rule::kAnnualOldNaDocTypeNotZero,
    &rule::kAnnualOldNaCpasUnique,
    &rule::kAnnualOldNaIdnpUnique,
    &rule::kAnnualOldNaEmployerPaymentMatchesMonths,
    &rule::kAnnualOldNaFileNotEmpty,
    &rule::kAnnualOldNaEndInRange,
    &rule::kAnnualOldNaExpensesMatchMu,
    &rule::kAnnualOldNaFirstNameCharacters,
    &rule::kAnnualOldNaFirstNameFilled,
    &rule::kAnnualOldNaFormTypeInDictionary,
    &rule::kAnnualOldNaFormTypeFilled,
    &rule::kAnnualOldNaIdFilled,
    &rule::kAnnualOldNaIdnpLength,
    &rule::kAnnualOldNaIssuedAfterBirth,
    &rule::kAnnualOldNaIssuedNotFuture,
    &rule::kAnnualOldNaIssuedInRange,
    &rule::kAnnualOldNaLastNameCharacters,
    &rule::kAnnualOldNaLastNameFilled,
    &rule::kAnnualOldNaMiddleNameCharacters,
    &rule::kAnnualOldNaMonthlyRowsExist,
    &rule::kAnnualOldNaMonthsMatchPeriod,
    &rule::kAnnualOldNaPackFilled,
    &rule::kAnnualOldNaPackInPl,
    &rule::kAnnualOldNaPensionFilled,
    &rule::kAnnualOldNaPensionNoForKdt6,
    &rule::kAnnualOldNaPensionYesNo,
    &rule::kAnnualOldNaBeginNotAfterEnd,
    &rule::kAnnualOldNaPersonPaymentMatchesMonths,
    &rule::kAnnualOldNaWorkBookHereFilled,
    &rule::kAnnualOldNaWorkBookHereYesNo,
    &rule::kAnnualOldNaWorkBookNumberDigits,
    &rule::kAnnualOldNaYearFilled,
    &rule::kAnnualOldPlPackUnique,
    &rule::kAnnualOldPlFileNotEmpty,
    &rule::kAnnualOldPlExpenseTotalMatchesDeclarations,
    &rule::kAnnualOldPlFormedFilled,
    &rule::kAnnualOldPlFormedNotFuture,
    &rule::kAnnualOldPlFormedInRange,
    &rule::kAnnualOldPlKdtFilled,
    &rule::kAnnualOldPlKdt5Or6,
    &rule::kAnnualOldPlNkssMatchesArchiveName,
    &rule::kAnnualOldPlNkssFilled,
    &rule::kAnnualOldPlNkssLength,
    &rule::kAnnualOldPlNkssTkssPrefix,
    &rule::kAnnualOldPlNumberFilled,
    &rule::kAnnualOldPlPagesFilled,
    &rule::kAnnualOldPlPagesAtLeastSheets,
    &rule::kAnnualOldPlResponsibleCharacters,
    &rule::kAnnualOldPlResponsibleFilled,
    &rule::kAnnualOldPlSumsMatchDeclarations,
    &rule::kAnnualOldPlSheetsFilled,
    &rule::kAnnualOldPlSheetsAtMost50,
    &rule::kAnnualOldPlTkssInDictionary,
    &rule::kAnnualOldPlTkssFilled,
    &rule::kAnnualOldPlYearFilled,
    &rule::kAnnualOldPlYearFrom1999,
    &rule::kAnnualOldSdTransferWithinCap,
    &rule::kAnnualOldSdDeclarationFilled,
    &rule::kAnnualOldSdDeclarationInNa,
    &rule::kAnnualOldSdFileNotEmpty,
    &rule::kAnnualOldSdFundNotNegative,
    &rule::kAnnualOldSdIllWithinFund,
    &rule::kAnnualOldSdIllNotNegative,
    &rule::kAnnualOldSdMonthInDictionary,
    &rule::kAnnualOldSdMonthFilled,
    &rule::kAnnualOldSdPackFilled,
    &rule::kAnnualOldSdPackInPl,
    &rule::kAnnualOldSdTariffApInDictionary,
    &rule::kAnnualOldSdTariffApFilled,
    &rule::kAnnualOldSdTariffApNotZero,
    &rule::kAnnualOldSdTariffEaInDictionary,
    &rule::kAnnualOldSdTariffEaFilled,
    &rule::kAnnualOldSdTariffEaNotZero,
    &rule::kAnnualOldSdTotalRowPresent,
    &rule::kAnnualOldSdTotalRowMatchesMonths,
    &rule::kAnnualOldSdTotalRowOnce,
    &rule::kAnnualOldSdTransferWithinCap2006,
    &rule::kAnnualSdBeginInMonth,
    &rule::kAnnualSdBeginWithEnd,
    &rule::kAnnualSdEndInMonth,
    &rule::kAnnualSdEndWithBegin,
    &rule::kAnnualSdFundNotNegative,
    &rule::kAnnualSdMonthUnique,
    &rule::kAnnualSdSumApWithinMonthlyLimit,
    &rule::kAnnualSdIllNotNegative,
    &rule::kAnnualSdIllWithinFund,
    &rule::kAnnualSdSumApNotNegative,
    &rule::kAnnualSdSumEaNotNegative,
    &rule::kAnnualSdSumApWithinYearlyLimit,
    &rule::kAnnualTPeriodZero,
    &rule::kAnnualTYearBeforeCurrent,
    &rule::kControlNoInternalError,
    &rule::kControlFilesReadable,
    &rule::kDictionaryLineIntact,
    &rule::kDictionaryDataTypeValid,
    &rule::kDictionaryDateFormatValid,
    &rule::kDictionaryLineEnded,
    &rule::kDictionaryFilePresent,
    &rule::kIntakeExtractionSucceeds,
    &rule::kIntakeListingPackageOnly,
    &rule::kIntakePackageNameValid,
    &rule::kIntakeSizeWithinCap,
    &rule::kIntakeWorkdirFree,
    &rule::kLoadDataTypeValid,
    &rule::kLoadDateFormatValid,
    &rule::kLoadLineEnded,
    &rule::kLoadFieldsComplete,
    &rule::kLoadFilePresent,
    &rule::kMonthlyNaCpasFilled,
    &rule::kMonthlySdBeginNotAfterNextYear,
    &rule::kMonthlySdBeginNotBeforeLastYear,
    &rule::kMonthlySdBeginNotBeforeMonth,
    &rule::kMonthlySdJobCodeActive,
    &rule::kMonthlySdJobCodeListed,
    &rule::kMonthlySdMonthIsReportingMonth,
    &rule::kMonthlySdPeriodsDisjoint,
    &rule::kMonthlyTMonthRange,
    &rule::kNewIpDocNumberFilled,
    &rule::kNewIpDocNumberAtMost50,
    &rule::kNewIpFondMatchesDeclarations,
    &rule::kNewIpIllMatchesDeclarations,
    &rule::kNewIpPackCount,
    &rule::kNewIpPackUnique,
    &rule::kNewIpPackIdFilled,
    &rule::kNewIpSumApMatchesDeclarations,
    &rule::kNewIpSumEaMatchesDeclarations,
    &rule::kNewIpTotalIsSum,
    &rule::kNewIpTotalMatchesDeclarations,
    &rule::kNewNaBirthDateInWindow,
    &rule::kNewNaCpasDigits,
    &rule::kNewNaCpasUnique,
    &rule::kNewNaCpasLength,
    &rule::kNewNaDeclarationsPerPack,
    &rule::kNewNaDocNumberDigits,
    &rule::kNewNaDocNumberLength,
    &rule::kNewNaDocTypeInDictionary,
    &rule::kNewNaDocTypeForbidsIdnp,
    &rule::kNewNaDocTypeGiven,
    &rule::kNewNaDocTypeNeedsIdnp,
    &rule::kNewNaDocTypeNeedsNumber,
    &rule::kNewNaDocTypeNeedsSeries,
    &rule::kNewNaDocTypeNotZero,
    &rule::kNewNaDocTypeZeroWithoutDocument,
    &rule::kNewNaFileNotEmpty,
    &rule::kNewNaFirstNameCharacters,
    &rule::kNewNaFirstNameFilled,
    &rule::kNewNaIdFilled,
    &rule::kNewNaIdentityGiven,
    &rule::kNewNaIdnpDigits,
    &rule::kNewNaIdnpUnique,
    &rule::kNewNaIdnpLength,
    &rule::kNewNaIssueDateInWindow,
    &rule::kNewNaLastNameCharacters,
    &rule::kNewNaLastNameFilled,
    &rule::kNewNaMiddleNameCharacters,
    &rule::kNewNaMonthlyRowsExist,
    &rule::kNewNaPackFilled,
    &rule::kNewNaPackInIp,
    &rule::kNewSdBeginRequired,
    &rule::kNewSdBeginYear,
    &rule::kNewSdCategory150Fund,
    &rule::kNewSdCategoryInDictionary,
    &rule::kNewSdCategoryFilled,
    &rule::kNewSdCategoryNotZero,
    &rule::kNewSdCategoryValidInYear,
    &rule::kNewSdDateMonthsAgree,
    &rule::kNewSdDateYearsAgree,
    &rule::kNewSdDaysWeek5Or6,
    &rule::kNewSdDaysWeekFilled,
    &rule::kNewSdDeclarationFilled,
    &rule::kNewSdDeclarationInNa,
    &rule::kNewSdFileNotEmpty,
    &rule::kNewSdBeginBeforeEnd,
    &rule::kNewSdEndRequired,
    &rule::kNewSdEndYear,
    &rule::kNewSdExemptCategoryContributions,
    &rule::kNewSdFondMatchesMonths,
    &rule::kNewSdIllMatchesMonths,
    &rule::kNewSdJobCodeInDictionary,
    &rule::kNewSdMonthInDictionary,
    &rule::kNewSdMonthFilled,
    &rule::kNewSdMonthNotZero,
    &rule::kNewSdPackFilled,
    &rule::kNewSdPackInIp,
    &rule::kNewSdSickLeaveEmployer,
    &rule::kNewSdSickLeaveIndividual,
    &rule::kNewSdSumApMatchesMonths,
    &rule::kNewSdSumEaMatchesMonths,
    &rule::kNewSdTotalIsSum,
    &rule::kNewSdTotalMatchesMonths,
    &rule::kNewSdTotalRowPresent,
    &rule::kNewSdTotalRowOnce,
    &rule::kNewTFioCharacters,
    &rule::kNewTFioFilled,
    &rule::kNewTFondMatchesPacks,
    &rule::kNewTFormationDateFilled,
    &rule::kNewTFormationDateNotFuture,
    &rule::kNewTIllMatchesPacks,
    &rule::kNewTKodtkssInDictionary,
    &rule::kNewTKodtkssFilled,
    &rule::kNewTPacksTotalFilled,
    &rule::kNewTPeriodFilled,
    &rule::kNewTRegnomFilled,
    &rule::kNewTRegnomLength,
    &rule::kNewTSumApMatchesPacks,
    &rule::kNewTSumEaMatchesPacks,
    &rule::kNewTTotalIsSum,
    &rule::kNewTTotalMatchesPacks,
    &rule::kNewTTypeFormInDictionary,
    &rule::kNewTTypeFormFilled,
    &rule::kNewTYearFilled,
    &rule::kNewTYearNotFuture,
    &rule::kQuarterlyNaCpasFilled,
    &rule::kQuarterlySdMonthInQuarter,
    &rule::kQuarterlySdPeriodsDisjoint,
    &rule::kQuarterlyTQuarterRange,
    &rule::kSetupComplete,
    &rule::kSetupPartPresent,
};

}  // namespace

std::string_view RuleEntry::file() const { return field.file ? std::string_view(FileName(*field.file)) : field.files; }

std::string RuleEntry::caption() const {
  if (!field.file || field.shape == RuleField::Shape::None) return {};
  const std::vector<std::string>& captions = Captions(*field.file, field.captions);
  const std::string& first = captions.at(static_cast<std::size_t>(field.first));
  switch (field.shape) {
    case RuleField::Shape::Range: return first + " … " + captions.at(static_cast<std::size_t>(field.last));
    case RuleField::Shape::Pair: return first + "," + captions.at(static_cast<std::size_t>(field.last));
    default: return first;
  }
}

std::string ShownMessage(std::string_view message) {
  std::string out;
  for (std::size_t at = 0; at < message.size();) {
    const std::size_t next = message.find("{}", at);
    out.append(message.substr(at, next - at));
    if (next == std::string_view::npos) break;
    out.append("…");
    at = next + 2;
  }
  return out;
}

std::span<const RuleEntry* const> RuleCatalogue() { return kRules; }

const RuleEntry* FindRule(std::string_view id) {
  const auto it = std::find_if(std::begin(kRules), std::end(kRules), [id](const RuleEntry* e) { return e->id == id; });
  return it != std::end(kRules) ? *it : nullptr;
}

std::string RuleCatalogueText() {
  std::string out;
  for (const RuleEntry* e : kRules) {
    const std::string caption = e->caption();
    out.append(e->id).append("\t").append(e->file().empty() ? "-" : e->file()).append("\t");
    out.append(caption.empty() ? "-" : caption).append("\t").append(e->requirement).append("\n");
  }
  return out;
}

std::string RuleCatalogueJson() {
  std::string out = "[\n";
  for (const RuleEntry* e : kRules) {
    out += "  {\"id\": " + JsonString(e->id) + ", \"file\": " + JsonString(e->file()) +
           ", \"caption\": " + JsonString(e->caption()) + ", \"message\": " + JsonString(ShownMessage(e->message)) +
           ", \"requirement\": " + JsonString(e->requirement) +
           ", \"requirement_ro\": " + JsonString(e->requirement_ro) + "}";
    out += e == kRules[std::size(kRules) - 1] ? "\n" : ",\n";
  }
  return out + "]\n";
}

}  // namespace zentrox
