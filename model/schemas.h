// The package tables, the dictionary tables and the data modules holding them.
//
// `NewFormatTables` serves the three new-format variants (it is shared by their windows),
// `OldFormatTables` the old-format annual variant. Field positions are named constants so
// the rules read fields without a lookup by name.
#pragma once

#include <string>
#include <vector>

#include "engine/table.h"

namespace zentrox {

// New formats --------------------------------------------------------------
namespace svod {  // REV5_T -> svod_info
enum : int {
  TYPE_FORM,
  YEAR,
  TRIMESTR,
  KODTKSS,
  REGNOM_EA,
  KODF_EA,
  FIO_EA,
  FORMATION_DT,
  PACKS_TOTAL,
  PAYM_FOND,
  ILL,
  SUM_AP,
  SUM_EA,
  SUM_TOTAL
};
}
namespace pl {  // REV5_IP -> pack_label
enum : int { PL_ID, PL_DOC_NUMBER, PL_PAYM_FOND, PL_ILL, PL_SUM_AP, PL_SUM_EA, PL_SUM_TOTAL };
}
namespace na {  // REV5_NA -> name_account
enum : int {
  NA_ID,
  NA_PL,
  NA_CPAS,
  NA_LAST_NAME,
  NA_FIRST_NAME,
  NA_MIDDLE_NAME,
  NA_BIRTH_DT,
  NA_IDNP,
  NA_DOC_TYPE,
  NA_DOC_SERIA,
  NA_DOC_NUMBER,
  NA_DOC_WHO,
  NA_DOC_DT
};
}
namespace sd {  // REV5_SD -> saldo_data
enum : int {
  SD_NA,
  SD_PL,
  SD_MONTH,
  SD_JOB_CODE,
  SD_CATEGORY,
  SD_DAYS_WEEK,
  SD_BEGIN_DT,
  SD_END_DT,
  SD_PAYM_FOND,
  SD_ILL,
  SD_SUM_AP,
  SD_SUM_EA,
  SD_SUM_TOTAL
};
}

// Old format ------------------------------------------------------------------
namespace old_pl {  // REV5_PL -> pack_label
enum : int {
  PL_NUM_IN_EA,
  PL_TKSS,
  PL_NKSS,
  PL_KDT,
  PL_FORM_COMPL_DT,
  PL_RESP_NAME_IN_EA,
  PL_SHEET_AMOUNT,
  PL_PAGES,
  PL_YEAR,
  PL_PAYM_FOND,
  PL_ILL,
  PL_SUM_REAL_EA,
  PL_SUM_ADD_EA,
  PL_SUM_REAL_AP,
  PL_SUM_ADD_AP,
  PL_SUM_TOTAL
};
}
namespace old_na {  // REV5_NA -> name_account
enum : int {
  NA_ID,
  NA_PL,
  NA_YEAR,
  NA_FORM_TYPE,
  NA_CPAS,
  NA_LAST_NAME,
  NA_FIRST_NAME,
  NA_MIDDLE_NAME,
  NA_IDNP,
  NA_IS_PENS,
  NA_AP_CATEGORY,
  NA_BIRTH_DT,
  NA_PERIOD_BEGIN,
  NA_PERIOD_END,
  NA_DOC_TYPE,
  NA_DOC_SERIA,
  NA_DOC_NUMBER,
  NA_IDNP_WHO,
  NA_IDNP_DT,
  NA_WB_IN_EA,
  NA_WB_SERIA,
  NA_WB_NUMBER,
  NA_EA_PAYMENT,
  NA_AP_PAYMENT,
  NA_ILL,
  NA_REST,
  NA_SUM,
  NA_DIRECTOR_NAME,
  NA_ACC_NAME
};
}
namespace old_sd {  // REV5_SD -> saldo_data
enum : int {
  SD_NA,
  SD_PL,
  SD_MONTH,
  SD_PAYM_FOND,
  SD_ILL,
  SD_TARIF_EA,
  SD_SUM_REAL_EA,
  SD_SUM_ADD_EA,
  SD_TARIF_AP,
  SD_SUM_REAL_AP,
  SD_SUM_ADD_AP,
  SD_PENS_FOND
};
}
namespace old_di {  // REV5_DI -> stage_info
enum : int { SI_NA, SI_PL, SI_DATE, SI_POSITION, SI_RANGE, SI_DEPARTMENT, SI_NOTE };
}
namespace old_mu {  // REV5_MU -> money_util (MU_1 .. MU_13 follow MU_CODE)
enum : int { MU_NA, MU_PL, MU_CODE, MU_1, MU_12 = MU_1 + 11, MU_13 };
}

// Dictionaries --------------------------------------------------------------------
namespace dict {
enum : int { ID = 0 };                            // every one-column dictionary
enum : int { ID_KATEG = 0, STARTDATE, ENDDATE };  // new_kategor
enum : int { ID_PROF = 0, STATUS };               // new_prof
}  // namespace dict

// The package files a variant reads. The value selects the table schema, the
// caption list and the fields that feed the finding context while loading.
enum class FileKind { T, IP, NA, SD, PL, NA_OLD, SD_OLD, DI, MU };

// File name as the control run writes it ("REV5_T", ...).
const char* FileName(FileKind kind);

// The caption sets of the package files: the monthly one names field 3 of
// REV5_T "3.Отчетный месяц".
enum class CaptionSet { Standard, Monthly };

// Numbered captions of a file's fields, in field order.
const std::vector<std::string>& Captions(FileKind kind, CaptionSet set = CaptionSet::Standard);

Table MakeTable(FileKind kind);

// The data module of the new-format variants.
struct NewFormatTables {
  NewFormatTables();
  Table svod_info;
  Table pack_label;
  Table name_account;
  Table saldo_data;
  Table money_util;  // present in the module, filled by no new-format file
  Table new_kategor;
  Table new_prof;
  Table kategor;
  Table months;
  Table prof;
  Table raion;
  Table typeform;
  Table viddoc;
};

// The data module of the old-format annual variant.
struct OldFormatTables {
  OldFormatTables();
  Table pack_label;
  Table name_account;
  Table saldo_data;
  Table stage_info;
  Table money_util;
  Table kategor;
  Table months;
  Table prof;
  Table raion;
  Table rang;
  Table rashod;
  Table tarif;
  Table tarif_ap;
  Table typeform;
  Table viddoc;
};

}  // namespace zentrox
