// The rule catalogue's entries, one named constant per rule, grouped by rule
// set and file in the catalogue's order (report/rule_catalogue.cpp lists them).
// A rule that reports a finding names its constant here; its id, the field
// its lines name, its message and its requirement are written nowhere else.
#pragma once

#include "model/schemas.h"
#include "report/rule_catalogue.h"

namespace zentrox::rule {

// clang-format off
// ----- annual-old, REV5_DI
inline constexpr RuleEntry kAnnualOldDiDateFilled{
    "annual-old.di.date-filled", Field(FileKind::DI, old_di::SI_DATE),
    "не заполнено",
    "Поле «3.Дата» должно быть заполнено.",
    "Câmpul «3.Дата» trebuie completat."};
inline constexpr RuleEntry kAnnualOldDiDateNotFuture{
    "annual-old.di.date-not-future", Field(FileKind::DI, old_di::SI_DATE),
    "больше текущей даты",
    "Дата в поле «3.Дата» не должна быть позже текущей даты.",
    "Data din câmpul «3.Дата» nu trebuie să fie după data curentă."};
inline constexpr RuleEntry kAnnualOldDiDateInRange{
    "annual-old.di.date-in-range", Field(FileKind::DI, old_di::SI_DATE),
    "должна быть в диапазоне (01.01.1900-01.01.2200)",
    "Дата в поле «3.Дата» должна быть в диапазоне 01.01.1900–01.01.2200.",
    "Data din câmpul «3.Дата» trebuie să fie în intervalul 01.01.1900–01.01.2200."};
inline constexpr RuleEntry kAnnualOldDiDeclarationFilled{
    "annual-old.di.declaration-filled", Field(FileKind::DI, old_di::SI_NA),
    "не заполнено",
    "Поле «1.Номер декларации» должно быть заполнено.",
    "Câmpul «1.Номер декларации» trebuie completat."};
inline constexpr RuleEntry kAnnualOldDiDeclarationInNa{
    "annual-old.di.declaration-in-na", Field(FileKind::DI, old_di::SI_NA),
    "отсутствует в файле REV5_NA",
    "Декларация из файла REV5_DI должна быть в файле REV5_NA.",
    "Declarația din fișierul REV5_DI trebuie să existe în fișierul REV5_NA."};
inline constexpr RuleEntry kAnnualOldDiPackFilled{
    "annual-old.di.pack-filled", Field(FileKind::DI, old_di::SI_PL),
    "не заполнено",
    "Поле «2.Номер пачки» должно быть заполнено.",
    "Câmpul «2.Номер пачки» trebuie completat."};
inline constexpr RuleEntry kAnnualOldDiPackInPl{
    "annual-old.di.pack-in-pl", Field(FileKind::DI, old_di::SI_PL),
    "отсутствует в файле REV5_PL",
    "Значение поля «2.Номер пачки» должно быть в файле REV5_PL.",
    "Valoarea câmpului «2.Номер пачки» trebuie să existe în fișierul REV5_PL."};
inline constexpr RuleEntry kAnnualOldDiPositionInDictionary{
    "annual-old.di.position-in-dictionary", Field(FileKind::DI, old_di::SI_POSITION),
    "не соответствует коду из справочника",
    "Код в поле «4.Должность» должен быть в справочнике.",
    "Codul din câmpul «4.Должность» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldDiPositionFilled{
    "annual-old.di.position-filled", Field(FileKind::DI, old_di::SI_POSITION),
    "не заполнено",
    "Поле «4.Должность» должно быть заполнено.",
    "Câmpul «4.Должность» trebuie completat."};
inline constexpr RuleEntry kAnnualOldDiRankInDictionary{
    "annual-old.di.rank-in-dictionary", Field(FileKind::DI, old_di::SI_RANGE),
    "не соответствует коду из справочника",
    "Код в поле «5.Чин_и_класс» должен быть в справочнике.",
    "Codul din câmpul «5.Чин_и_класс» trebuie să existe în nomenclator."};

// ----- annual-old, REV5_MU
inline constexpr RuleEntry kAnnualOldMuCodeInDictionary{
    "annual-old.mu.code-in-dictionary", Field(FileKind::MU, old_mu::MU_CODE),
    "не соответствует коду из справочника",
    "Код в поле «3.Код расходов» должен быть в справочнике.",
    "Codul din câmpul «3.Код расходов» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldMuCodeFilled{
    "annual-old.mu.code-filled", Field(FileKind::MU, old_mu::MU_CODE),
    "не заполнено",
    "Поле «3.Код расходов» должно быть заполнено.",
    "Câmpul «3.Код расходов» trebuie completat."};
inline constexpr RuleEntry kAnnualOldMuDeclarationFilled{
    "annual-old.mu.declaration-filled", Field(FileKind::MU, old_mu::MU_NA),
    "не заполнено",
    "Поле «1.Номер декларации» должно быть заполнено.",
    "Câmpul «1.Номер декларации» trebuie completat."};
inline constexpr RuleEntry kAnnualOldMuDeclarationInNa{
    "annual-old.mu.declaration-in-na", FieldPair(FileKind::MU, old_mu::MU_NA, old_mu::MU_PL),
    "отсутствует в файле REV5_NA",
    "Декларация из файла REV5_MU должна быть в файле REV5_NA.",
    "Declarația din fișierul REV5_MU trebuie să existe în fișierul REV5_NA."};
inline constexpr RuleEntry kAnnualOldMuMonthlyAmountsGiven{
    "annual-old.mu.monthly-amounts-given", InFile(FileKind::MU),
    "отсутствуют расходы по месяцам, введен только итог",
    "У декларации должны быть расходы по месяцам, а не только итоговая запись.",
    "Declarația trebuie să aibă cheltuieli pe luni, nu numai înregistrarea de total."};
inline constexpr RuleEntry kAnnualOldMuPackFilled{
    "annual-old.mu.pack-filled", Field(FileKind::MU, old_mu::MU_PL),
    "не заполнено",
    "Поле «2.Номер пачки» должно быть заполнено.",
    "Câmpul «2.Номер пачки» trebuie completat."};
inline constexpr RuleEntry kAnnualOldMuPackInPl{
    "annual-old.mu.pack-in-pl", Field(FileKind::MU, old_mu::MU_PL),
    "отсутствует в файле REV5_PL",
    "Значение поля «2.Номер пачки» должно быть в файле REV5_PL.",
    "Valoarea câmpului «2.Номер пачки» trebuie să existe în fișierul REV5_PL."};
inline constexpr RuleEntry kAnnualOldMuTotalRowPresent{
    "annual-old.mu.total-row-present", InFile(FileKind::MU),
    "отсутствует итоговая запись с кодом расходов \"99\".",
    "У декларации должна быть итоговая запись с кодом расходов 99.",
    "Declarația trebuie să aibă înregistrarea de total cu codul de cheltuieli 99."};
inline constexpr RuleEntry kAnnualOldMuTotalRowMatchesCodes{
    "annual-old.mu.total-row-matches-codes", FieldRange(FileKind::MU, old_mu::MU_1, old_mu::MU_13),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая запись с кодом расходов 99 должна равняться сумме остальных записей декларации по каждому месяцу и итогу.",
    "Înregistrarea de total cu codul de cheltuieli 99 trebuie să fie egală cu suma celorlalte înregistrări ale declarației, pentru fiecare lună și pentru total."};
inline constexpr RuleEntry kAnnualOldMuTotalRowOnce{
    "annual-old.mu.total-row-once", InFile(FileKind::MU),
    "вторая строка с кодом расходов \"99\" - ошибка",
    "У декларации должна быть только одна итоговая запись с кодом расходов 99.",
    "Declarația trebuie să aibă o singură înregistrare de total cu codul de cheltuieli 99."};

// ----- annual-old, REV5_NA
inline constexpr RuleEntry kAnnualOldNaAccountantCharacters{
    "annual-old.na.accountant-characters", Field(FileKind::NA_OLD, old_na::NA_ACC_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «29.ФИО бухгалтера» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «29.ФИО бухгалтера» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kAnnualOldNaAccountantFilled{
    "annual-old.na.accountant-filled", Field(FileKind::NA_OLD, old_na::NA_ACC_NAME, FieldKind::Name),
    "не заполнено",
    "Поле «29.ФИО бухгалтера» должно быть заполнено.",
    "Câmpul «29.ФИО бухгалтера» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaBeginAfterBirth{
    "annual-old.na.begin-after-birth", Field(FileKind::NA_OLD, old_na::NA_PERIOD_BEGIN),
    "меньше поля <12.Дата рождения>",
    "Начало периода не должно быть раньше даты рождения.",
    "Începutul perioadei nu trebuie să fie înainte de data nașterii."};
inline constexpr RuleEntry kAnnualOldNaBeginInRange{
    "annual-old.na.begin-in-range", Field(FileKind::NA_OLD, old_na::NA_PERIOD_BEGIN),
    "должна быть в диапазоне (01.01.1900-01.01.2200)",
    "Дата в поле «13.Начало периода» должна быть в диапазоне 01.01.1900–01.01.2200.",
    "Data din câmpul «13.Начало периода» trebuie să fie în intervalul 01.01.1900–01.01.2200."};
inline constexpr RuleEntry kAnnualOldNaBirthInRange{
    "annual-old.na.birth-in-range", Field(FileKind::NA_OLD, old_na::NA_BIRTH_DT),
    "должна быть в диапазоне (01.01.1900-01.01.2200)",
    "Дата в поле «12.Дата рождения» должна быть в диапазоне 01.01.1900–01.01.2200.",
    "Data din câmpul «12.Дата рождения» trebuie să fie în intervalul 01.01.1900–01.01.2200."};
inline constexpr RuleEntry kAnnualOldNaCategoryInDictionary{
    "annual-old.na.category-in-dictionary", Field(FileKind::NA_OLD, old_na::NA_AP_CATEGORY),
    "не соответствует коду из справочника",
    "Код в поле «11.Категория ЗЛ» должен быть в справочнике.",
    "Codul din câmpul «11.Категория ЗЛ» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldNaCategoryFilled{
    "annual-old.na.category-filled", Field(FileKind::NA_OLD, old_na::NA_AP_CATEGORY),
    "не заполнено",
    "Поле «11.Категория ЗЛ» должно быть заполнено.",
    "Câmpul «11.Категория ЗЛ» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaCategoryNotZero{
    "annual-old.na.category-not-zero", Field(FileKind::NA_OLD, old_na::NA_AP_CATEGORY),
    "не должно равняться нулю (0)",
    "Категория застрахованного лица не должна равняться нулю.",
    "Categoria persoanei asigurate nu trebuie să fie zero."};
inline constexpr RuleEntry kAnnualOldNaCpasFilled{
    "annual-old.na.cpas-filled", Field(FileKind::NA_OLD, old_na::NA_CPAS),
    "не заполнено",
    "При типе документа пачки 5 поле «5.Код CPAS» должно быть заполнено.",
    "Când tipul documentului pachetului este 5, câmpul «5.Код CPAS» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaCpasNotZero{
    "annual-old.na.cpas-not-zero", Field(FileKind::NA_OLD, old_na::NA_CPAS),
    " равен нулю.",
    "Код CPAS не должен равняться нулю.",
    "Codul CPAS nu trebuie să fie zero."};
inline constexpr RuleEntry kAnnualOldNaDirectorCharacters{
    "annual-old.na.director-characters", Field(FileKind::NA_OLD, old_na::NA_DIRECTOR_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «28.ФИО руководителя» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «28.ФИО руководителя» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kAnnualOldNaDirectorFilled{
    "annual-old.na.director-filled", Field(FileKind::NA_OLD, old_na::NA_DIRECTOR_NAME, FieldKind::Name),
    "не заполнено",
    "Поле «28.ФИО руководителя» должно быть заполнено.",
    "Câmpul «28.ФИО руководителя» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaDocTypeInDictionary{
    "annual-old.na.doc-type-in-dictionary", Field(FileKind::NA_OLD, old_na::NA_DOC_TYPE),
    "не соответствует коду из справочника",
    "Код в поле «15.Тип документа» должен быть в справочнике.",
    "Codul din câmpul «15.Тип документа» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldNaDocTypeFilled{
    "annual-old.na.doc-type-filled", Field(FileKind::NA_OLD, old_na::NA_DOC_TYPE),
    "не заполнено",
    "Поле «15.Тип документа» должно быть заполнено.",
    "Câmpul «15.Тип документа» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaDocTypeNotZero{
    "annual-old.na.doc-type-not-zero", Field(FileKind::NA_OLD, old_na::NA_DOC_TYPE),
    "не должно равнятся нулю",
    "Тип документа не должен равняться нулю.",
    "Tipul documentului nu trebuie să fie zero."};
inline constexpr RuleEntry kAnnualOldNaCpasUnique{
    "annual-old.na.cpas-unique", Field(FileKind::NA_OLD, old_na::NA_CPAS),
    "ВНИМАНИЕ! Дублирование. CPAS= {}",
    "Код CPAS не должен повторяться в файле REV5_NA.",
    "Codul CPAS nu trebuie să se repete în fișierul REV5_NA."};
inline constexpr RuleEntry kAnnualOldNaIdnpUnique{
    "annual-old.na.idnp-unique", Field(FileKind::NA_OLD, old_na::NA_IDNP),
    "ВНИМАНИЕ! Дублирование.",
    "Номер IDNP не должен повторяться в файле REV5_NA.",
    "Numărul IDNP nu trebuie să se repete în fișierul REV5_NA."};
inline constexpr RuleEntry kAnnualOldNaEmployerPaymentMatchesMonths{
    "annual-old.na.employer-payment-matches-months", Field(FileKind::NA_OLD, old_na::NA_EA_PAYMENT),
    "с ошибкой. Разность={}",
    "Взносы работодателя должны равняться сумме взносов ЭА по месяцам за вычетом расходов.",
    "Contribuțiile angajatorului trebuie să fie egale cu suma contribuțiilor agentului economic pe luni, minus cheltuielile."};
inline constexpr RuleEntry kAnnualOldNaFileNotEmpty{
    "annual-old.na.file-not-empty", InFile(FileKind::NA_OLD),
    "Внимание ошибка! отсутствуют данные (файл пустой)",
    "Файл REV5_NA не должен быть пустым.",
    "Fișierul REV5_NA nu trebuie să fie gol."};
inline constexpr RuleEntry kAnnualOldNaEndInRange{
    "annual-old.na.end-in-range", Field(FileKind::NA_OLD, old_na::NA_PERIOD_END),
    "должна быть в диапазоне (01.01.1900-01.01.2200)",
    "Дата в поле «14.Конец периода» должна быть в диапазоне 01.01.1900–01.01.2200.",
    "Data din câmpul «14.Конец периода» trebuie să fie în intervalul 01.01.1900–01.01.2200."};
inline constexpr RuleEntry kAnnualOldNaExpensesMatchMu{
    "annual-old.na.expenses-match-mu", Field(FileKind::NA_OLD, old_na::NA_SUM),
    "с ошибкой. Разность={}",
    "Сумма расходов должна равняться итогу расходов декларации в файле REV5_MU.",
    "Suma cheltuielilor trebuie să fie egală cu totalul cheltuielilor declarației din fișierul REV5_MU."};
inline constexpr RuleEntry kAnnualOldNaFirstNameCharacters{
    "annual-old.na.first-name-characters", Field(FileKind::NA_OLD, old_na::NA_FIRST_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «7.Имя» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «7.Имя» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kAnnualOldNaFirstNameFilled{
    "annual-old.na.first-name-filled", Field(FileKind::NA_OLD, old_na::NA_FIRST_NAME, FieldKind::Name),
    "не заполнено",
    "Поле «7.Имя» должно быть заполнено.",
    "Câmpul «7.Имя» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaFormTypeInDictionary{
    "annual-old.na.form-type-in-dictionary", Field(FileKind::NA_OLD, old_na::NA_FORM_TYPE),
    "не соответствует коду из справочника",
    "Код в поле «4.Тип формы» должен быть в справочнике.",
    "Codul din câmpul «4.Тип формы» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldNaFormTypeFilled{
    "annual-old.na.form-type-filled", Field(FileKind::NA_OLD, old_na::NA_FORM_TYPE),
    "не заполнено",
    "Поле «4.Тип формы» должно быть заполнено.",
    "Câmpul «4.Тип формы» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaIdFilled{
    "annual-old.na.id-filled", Field(FileKind::NA_OLD, old_na::NA_ID),
    "не заполнено",
    "Поле «1.Номер декларации» должно быть заполнено.",
    "Câmpul «1.Номер декларации» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaIdnpLength{
    "annual-old.na.idnp-length", Field(FileKind::NA_OLD, old_na::NA_IDNP),
    "не содержит 13 знаков.",
    "Номер IDNP должен содержать 13 знаков.",
    "Numărul IDNP trebuie să aibă 13 caractere."};
inline constexpr RuleEntry kAnnualOldNaIssuedAfterBirth{
    "annual-old.na.issued-after-birth", Field(FileKind::NA_OLD, old_na::NA_IDNP_DT),
    "меньше поля <12.Дата рождения>",
    "Дата выдачи документа не должна быть раньше даты рождения.",
    "Data eliberării documentului nu trebuie să fie înainte de data nașterii."};
inline constexpr RuleEntry kAnnualOldNaIssuedNotFuture{
    "annual-old.na.issued-not-future", Field(FileKind::NA_OLD, old_na::NA_IDNP_DT),
    "больше текущей даты",
    "Дата в поле «19.Дата выдачи» не должна быть позже текущей даты.",
    "Data din câmpul «19.Дата выдачи» nu trebuie să fie după data curentă."};
inline constexpr RuleEntry kAnnualOldNaIssuedInRange{
    "annual-old.na.issued-in-range", Field(FileKind::NA_OLD, old_na::NA_IDNP_DT),
    "должна быть в диапазоне (01.01.1900-01.01.2200)",
    "Дата в поле «19.Дата выдачи» должна быть в диапазоне 01.01.1900–01.01.2200.",
    "Data din câmpul «19.Дата выдачи» trebuie să fie în intervalul 01.01.1900–01.01.2200."};
inline constexpr RuleEntry kAnnualOldNaLastNameCharacters{
    "annual-old.na.last-name-characters", Field(FileKind::NA_OLD, old_na::NA_LAST_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «6.Фамилия» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «6.Фамилия» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kAnnualOldNaLastNameFilled{
    "annual-old.na.last-name-filled", Field(FileKind::NA_OLD, old_na::NA_LAST_NAME, FieldKind::Name),
    "не заполнено",
    "Поле «6.Фамилия» должно быть заполнено.",
    "Câmpul «6.Фамилия» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaMiddleNameCharacters{
    "annual-old.na.middle-name-characters", Field(FileKind::NA_OLD, old_na::NA_MIDDLE_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «8.Отчество» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «8.Отчество» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kAnnualOldNaMonthlyRowsExist{
    "annual-old.na.monthly-rows-exist", InFile(FileKind::NA_OLD),
    "данные отсутствуют в файле REV5_SD",
    "У декларации должны быть строки в файле REV5_SD.",
    "Declarația trebuie să aibă rânduri în fișierul REV5_SD."};
inline constexpr RuleEntry kAnnualOldNaMonthsMatchPeriod{
    "annual-old.na.months-match-period", Field(FileKind::NA_OLD, old_na::NA_PERIOD_BEGIN),
    "ВНИМАНИЕ! Кол-во месяцев в REV5_SD не соответствует периоду",
    "Число месяцев декларации в файле REV5_SD должно соответствовать её периоду.",
    "Numărul de luni ale declarației din fișierul REV5_SD trebuie să corespundă perioadei ei."};
inline constexpr RuleEntry kAnnualOldNaPackFilled{
    "annual-old.na.pack-filled", Field(FileKind::NA_OLD, old_na::NA_PL),
    "не заполнено",
    "Поле «2.Номер пачки» должно быть заполнено.",
    "Câmpul «2.Номер пачки» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaPackInPl{
    "annual-old.na.pack-in-pl", Field(FileKind::NA_OLD, old_na::NA_PL),
    "отсутствует в файле REV5_PL",
    "Значение поля «2.Номер пачки» должно быть в файле REV5_PL.",
    "Valoarea câmpului «2.Номер пачки» trebuie să existe în fișierul REV5_PL."};
inline constexpr RuleEntry kAnnualOldNaPensionFilled{
    "annual-old.na.pension-filled", Field(FileKind::NA_OLD, old_na::NA_IS_PENS),
    "не заполнено",
    "Поле «10.Признак назн.пенсии» должно быть заполнено.",
    "Câmpul «10.Признак назн.пенсии» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaPensionNoForKdt6{
    "annual-old.na.pension-no-for-kdt-6", Field(FileKind::NA_OLD, old_na::NA_IS_PENS),
    "должно быть значение \"N\"",
    "При типе документа пачки 6 признак назначения пенсии должен быть N.",
    "Când tipul documentului pachetului este 6, indicatorul stabilirii pensiei trebuie să fie N."};
inline constexpr RuleEntry kAnnualOldNaPensionYesNo{
    "annual-old.na.pension-yes-no", Field(FileKind::NA_OLD, old_na::NA_IS_PENS),
    "должно быть Y или N",
    "Поле «10.Признак назн.пенсии» должно содержать Y или N.",
    "Câmpul «10.Признак назн.пенсии» trebuie să conțină Y sau N."};
inline constexpr RuleEntry kAnnualOldNaBeginNotAfterEnd{
    "annual-old.na.begin-not-after-end", Field(FileKind::NA_OLD, old_na::NA_PERIOD_BEGIN),
    "больше <14.Конца периода>",
    "Начало периода не должно быть позже конца периода.",
    "Începutul perioadei nu trebuie să fie după sfârșitul perioadei."};
inline constexpr RuleEntry kAnnualOldNaPersonPaymentMatchesMonths{
    "annual-old.na.person-payment-matches-months", Field(FileKind::NA_OLD, old_na::NA_AP_PAYMENT),
    "с ошибкой. Разность={}",
    "Взносы застрахованного лица должны равняться сумме его взносов по месяцам.",
    "Contribuțiile persoanei asigurate trebuie să fie egale cu suma contribuțiilor ei pe luni."};
inline constexpr RuleEntry kAnnualOldNaWorkBookHereFilled{
    "annual-old.na.work-book-here-filled", Field(FileKind::NA_OLD, old_na::NA_WB_IN_EA),
    "не заполнено",
    "Поле «20.Труд.книжка у ЭА» должно быть заполнено.",
    "Câmpul «20.Труд.книжка у ЭА» trebuie completat."};
inline constexpr RuleEntry kAnnualOldNaWorkBookHereYesNo{
    "annual-old.na.work-book-here-yes-no", Field(FileKind::NA_OLD, old_na::NA_WB_IN_EA),
    "должно быть Y или N",
    "Поле «20.Труд.книжка у ЭА» должно содержать Y или N.",
    "Câmpul «20.Труд.книжка у ЭА» trebuie să conțină Y sau N."};
inline constexpr RuleEntry kAnnualOldNaWorkBookNumberDigits{
    "annual-old.na.work-book-number-digits", Field(FileKind::NA_OLD, old_na::NA_WB_NUMBER),
    "содержит недопустимые символы - не цифры",
    "Поле «22.Номер трудовой книжки» должно состоять только из цифр.",
    "Câmpul «22.Номер трудовой книжки» trebuie să conțină numai cifre."};
inline constexpr RuleEntry kAnnualOldNaYearFilled{
    "annual-old.na.year-filled", Field(FileKind::NA_OLD, old_na::NA_YEAR),
    "не заполнено",
    "Поле «3.Отчетный год» должно быть заполнено.",
    "Câmpul «3.Отчетный год» trebuie completat."};

// ----- annual-old, REV5_PL
inline constexpr RuleEntry kAnnualOldPlPackUnique{
    "annual-old.pl.pack-unique", Field(FileKind::PL, old_pl::PL_NUM_IN_EA),
    "ВНИМАНИЕ! Дублирование номера пачки",
    "Номер пачки не должен повторяться в файле REV5_PL.",
    "Numărul pachetului nu trebuie să se repete în fișierul REV5_PL."};
inline constexpr RuleEntry kAnnualOldPlFileNotEmpty{
    "annual-old.pl.file-not-empty", InFile(FileKind::PL),
    "Внимание ошибка! отсутствуют данные (файл пустой)",
    "Файл REV5_PL не должен быть пустым.",
    "Fișierul REV5_PL nu trebuie să fie gol."};
inline constexpr RuleEntry kAnnualOldPlExpenseTotalMatchesDeclarations{
    "annual-old.pl.expense-total-matches-declarations", Field(FileKind::PL, old_pl::PL_SUM_TOTAL),
    "с ошибкой. Разность={}",
    "Всего расходов пачки должно равняться сумме итогов расходов её деклараций в файле REV5_MU.",
    "Totalul cheltuielilor pachetului trebuie să fie egal cu suma totalurilor de cheltuieli ale declarațiilor lui din fișierul REV5_MU."};
inline constexpr RuleEntry kAnnualOldPlFormedFilled{
    "annual-old.pl.formed-filled", Field(FileKind::PL, old_pl::PL_FORM_COMPL_DT),
    "не заполнено",
    "Поле «5.Дата формирования пачки» должно быть заполнено.",
    "Câmpul «5.Дата формирования пачки» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlFormedNotFuture{
    "annual-old.pl.formed-not-future", Field(FileKind::PL, old_pl::PL_FORM_COMPL_DT),
    "больше текущей даты",
    "Дата в поле «5.Дата формирования пачки» не должна быть позже текущей даты.",
    "Data din câmpul «5.Дата формирования пачки» nu trebuie să fie după data curentă."};
inline constexpr RuleEntry kAnnualOldPlFormedInRange{
    "annual-old.pl.formed-in-range", Field(FileKind::PL, old_pl::PL_FORM_COMPL_DT),
    "должна быть в диапазоне (01.01.1900-01.01.2200)",
    "Дата в поле «5.Дата формирования пачки» должна быть в диапазоне 01.01.1900–01.01.2200.",
    "Data din câmpul «5.Дата формирования пачки» trebuie să fie în intervalul 01.01.1900–01.01.2200."};
inline constexpr RuleEntry kAnnualOldPlKdtFilled{
    "annual-old.pl.kdt-filled", Field(FileKind::PL, old_pl::PL_KDT),
    "не заполнено",
    "Поле «4.Тип документа» должно быть заполнено.",
    "Câmpul «4.Тип документа» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlKdt5Or6{
    "annual-old.pl.kdt-5-or-6", Field(FileKind::PL, old_pl::PL_KDT),
    "должно быть 5 или 6",
    "Тип документа пачки должен быть 5 или 6.",
    "Tipul documentului pachetului trebuie să fie 5 sau 6."};
inline constexpr RuleEntry kAnnualOldPlNkssMatchesArchiveName{
    "annual-old.pl.nkss-matches-archive-name", Field(FileKind::PL, old_pl::PL_NKSS),
    "не совпадает с кодом из наименования файла-архива пакета",
    "Код НКСС ЭА должен совпадать с кодом в имени архива пакета.",
    "Codul НКСС al agentului economic trebuie să coincidă cu codul din numele arhivei."};
inline constexpr RuleEntry kAnnualOldPlNkssFilled{
    "annual-old.pl.nkss-filled", Field(FileKind::PL, old_pl::PL_NKSS),
    "не заполнено",
    "Поле «3.Код НКСС ЭА» должно быть заполнено.",
    "Câmpul «3.Код НКСС ЭА» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlNkssLength{
    "annual-old.pl.nkss-length", Field(FileKind::PL, old_pl::PL_NKSS),
    "не содержит 7 знаков.",
    "Код НКСС ЭА должен содержать 7 знаков.",
    "Codul НКСС al agentului economic trebuie să aibă 7 caractere."};
inline constexpr RuleEntry kAnnualOldPlNkssTkssPrefix{
    "annual-old.pl.nkss-tkss-prefix", Field(FileKind::PL, old_pl::PL_NKSS),
    "первые две цифры не равны коду ТКСС",
    "Первые две цифры кода НКСС ЭА должны равняться коду ТКСС.",
    "Primele două cifre ale codului НКСС al agentului economic trebuie să fie egale cu codul ТКСС."};
inline constexpr RuleEntry kAnnualOldPlNumberFilled{
    "annual-old.pl.number-filled", Field(FileKind::PL, old_pl::PL_NUM_IN_EA),
    "не заполнено",
    "Поле «1.Номер пачки у ЭА» должно быть заполнено.",
    "Câmpul «1.Номер пачки у ЭА» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlPagesFilled{
    "annual-old.pl.pages-filled", Field(FileKind::PL, old_pl::PL_PAGES),
    "не заполнено",
    "Поле «8.Всего листов в пачке» должно быть заполнено.",
    "Câmpul «8.Всего листов в пачке» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlPagesAtLeastSheets{
    "annual-old.pl.pages-at-least-sheets", Field(FileKind::PL, old_pl::PL_PAGES),
    "должно быть >= знач.поля \"7.Документов в пачке\"",
    "Листов в пачке должно быть не меньше, чем документов в пачке.",
    "Numărul de foi din pachet nu trebuie să fie mai mic decât numărul de documente din pachet."};
inline constexpr RuleEntry kAnnualOldPlResponsibleCharacters{
    "annual-old.pl.responsible-characters", Field(FileKind::PL, old_pl::PL_RESP_NAME_IN_EA, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «6.ФИО ответствен.ЭА» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «6.ФИО ответствен.ЭА» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kAnnualOldPlResponsibleFilled{
    "annual-old.pl.responsible-filled", Field(FileKind::PL, old_pl::PL_RESP_NAME_IN_EA, FieldKind::Name),
    "не заполнено",
    "Поле «6.ФИО ответствен.ЭА» должно быть заполнено.",
    "Câmpul «6.ФИО ответствен.ЭА» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlSumsMatchDeclarations{
    "annual-old.pl.sums-match-declarations", FieldRange(FileKind::PL, old_pl::PL_PAYM_FOND, old_pl::PL_SUM_ADD_AP),
    "с ошибкой. Разность={}",
    "Суммы пачки должны равняться суммам итоговых строк (месяц 13) её деклараций в файле REV5_SD.",
    "Sumele pachetului trebuie să fie egale cu sumele rândurilor de total (luna 13) ale declarațiilor lui din fișierul REV5_SD."};
inline constexpr RuleEntry kAnnualOldPlSheetsFilled{
    "annual-old.pl.sheets-filled", Field(FileKind::PL, old_pl::PL_SHEET_AMOUNT),
    "не заполнено",
    "Поле «7.Документов в пачке» должно быть заполнено.",
    "Câmpul «7.Документов в пачке» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlSheetsAtMost50{
    "annual-old.pl.sheets-at-most-50", Field(FileKind::PL, old_pl::PL_SHEET_AMOUNT),
    "должно быть <= 50",
    "Документов в пачке должно быть не больше 50.",
    "Un pachet nu trebuie să aibă mai mult de 50 de documente."};
inline constexpr RuleEntry kAnnualOldPlTkssInDictionary{
    "annual-old.pl.tkss-in-dictionary", Field(FileKind::PL, old_pl::PL_TKSS),
    "не соответствует коду из справочника",
    "Код в поле «2.Код ТКСС» должен быть в справочнике.",
    "Codul din câmpul «2.Код ТКСС» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldPlTkssFilled{
    "annual-old.pl.tkss-filled", Field(FileKind::PL, old_pl::PL_TKSS),
    "не заполнено",
    "Поле «2.Код ТКСС» должно быть заполнено.",
    "Câmpul «2.Код ТКСС» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlYearFilled{
    "annual-old.pl.year-filled", Field(FileKind::PL, old_pl::PL_YEAR),
    "не заполнено",
    "Поле «9.Отчетный год» должно быть заполнено.",
    "Câmpul «9.Отчетный год» trebuie completat."};
inline constexpr RuleEntry kAnnualOldPlYearFrom1999{
    "annual-old.pl.year-from-1999", Field(FileKind::PL, old_pl::PL_YEAR),
    "должно быть >= 1999",
    "Отчетный год должен быть не раньше 1999.",
    "Anul de raportare nu trebuie să fie înainte de 1999."};

// ----- annual-old, REV5_SD
inline constexpr RuleEntry kAnnualOldSdTransferWithinCap{
    "annual-old.sd.transfer-within-cap", Field(FileKind::SD_OLD, old_sd::SD_SUM_REAL_AP),
    "превышение лимита взносов (>{}",
    "Взносы застрахованного лица за месяц не должны превышать лимит своего года (2003–2007).",
    "Contribuțiile lunare ale persoanei asigurate nu trebuie să depășească plafonul anului respectiv (2003–2007)."};
inline constexpr RuleEntry kAnnualOldSdDeclarationFilled{
    "annual-old.sd.declaration-filled", Field(FileKind::SD_OLD, old_sd::SD_NA),
    "не заполнено",
    "Поле «1.Номер декларации» должно быть заполнено.",
    "Câmpul «1.Номер декларации» trebuie completat."};
inline constexpr RuleEntry kAnnualOldSdDeclarationInNa{
    "annual-old.sd.declaration-in-na", FieldPair(FileKind::SD_OLD, old_sd::SD_NA, old_sd::SD_PL),
    "отсутствует в файле REV5_NA",
    "Декларация из файла REV5_SD должна быть в файле REV5_NA.",
    "Declarația din fișierul REV5_SD trebuie să existe în fișierul REV5_NA."};
inline constexpr RuleEntry kAnnualOldSdFileNotEmpty{
    "annual-old.sd.file-not-empty", InFile(FileKind::SD_OLD),
    "Внимание ошибка! отсутствуют данные (файл пустой)",
    "Файл REV5_SD не должен быть пустым.",
    "Fișierul REV5_SD nu trebuie să fie gol."};
inline constexpr RuleEntry kAnnualOldSdFundNotNegative{
    "annual-old.sd.fund-not-negative", Field(FileKind::SD_OLD, old_sd::SD_PAYM_FOND),
    "не должно быть отрицательной суммой",
    "Сумма в поле «4.Фонд оплаты» не должна быть отрицательной.",
    "Suma din câmpul «4.Фонд оплаты» nu trebuie să fie negativă."};
inline constexpr RuleEntry kAnnualOldSdIllWithinFund{
    "annual-old.sd.ill-within-fund", Field(FileKind::SD_OLD, old_sd::SD_ILL),
    "больше, чем поле <Фонд оплаты> ",
    "Больничные не должны превышать фонд оплаты.",
    "Indemnizațiile de boală nu trebuie să depășească fondul de salarizare."};
inline constexpr RuleEntry kAnnualOldSdIllNotNegative{
    "annual-old.sd.ill-not-negative", Field(FileKind::SD_OLD, old_sd::SD_ILL),
    "не должно быть отрицательной суммой",
    "Сумма в поле «5.Больничные» не должна быть отрицательной.",
    "Suma din câmpul «5.Больничные» nu trebuie să fie negativă."};
inline constexpr RuleEntry kAnnualOldSdMonthInDictionary{
    "annual-old.sd.month-in-dictionary", Field(FileKind::SD_OLD, old_sd::SD_MONTH),
    "не соответствует коду из справочника",
    "Код в поле «3.Месяц» должен быть в справочнике.",
    "Codul din câmpul «3.Месяц» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kAnnualOldSdMonthFilled{
    "annual-old.sd.month-filled", Field(FileKind::SD_OLD, old_sd::SD_MONTH),
    "не заполнено",
    "Поле «3.Месяц» должно быть заполнено.",
    "Câmpul «3.Месяц» trebuie completat."};
inline constexpr RuleEntry kAnnualOldSdPackFilled{
    "annual-old.sd.pack-filled", Field(FileKind::SD_OLD, old_sd::SD_PL),
    "не заполнено",
    "Поле «2.Номер пачки» должно быть заполнено.",
    "Câmpul «2.Номер пачки» trebuie completat."};
inline constexpr RuleEntry kAnnualOldSdPackInPl{
    "annual-old.sd.pack-in-pl", Field(FileKind::SD_OLD, old_sd::SD_PL),
    "отсутствует в файле REV5_PL",
    "Значение поля «2.Номер пачки» должно быть в файле REV5_PL.",
    "Valoarea câmpului «2.Номер пачки» trebuie să existe în fișierul REV5_PL."};
inline constexpr RuleEntry kAnnualOldSdTariffApInDictionary{
    "annual-old.sd.tariff-ap-in-dictionary", Field(FileKind::SD_OLD, old_sd::SD_TARIF_AP),
    "не соответствует коду из справочника",
    "Тариф застрахованного лица должен быть в справочнике тарифов.",
    "Tariful persoanei asigurate trebuie să existe în nomenclatorul tarifelor."};
inline constexpr RuleEntry kAnnualOldSdTariffApFilled{
    "annual-old.sd.tariff-ap-filled", Field(FileKind::SD_OLD, old_sd::SD_TARIF_AP),
    "не заполнено",
    "Тариф застрахованного лица должен быть заполнен в строке месяца.",
    "Tariful persoanei asigurate trebuie completat în rândul lunii."};
inline constexpr RuleEntry kAnnualOldSdTariffApNotZero{
    "annual-old.sd.tariff-ap-not-zero", Field(FileKind::SD_OLD, old_sd::SD_TARIF_AP),
    " = 0. Должно быть заполнено из классификатора.",
    "Тариф застрахованного лица не должен равняться нулю.",
    "Tariful persoanei asigurate nu trebuie să fie zero."};
inline constexpr RuleEntry kAnnualOldSdTariffEaInDictionary{
    "annual-old.sd.tariff-ea-in-dictionary", Field(FileKind::SD_OLD, old_sd::SD_TARIF_EA),
    "не соответствует коду из справочника",
    "Тариф ЭА должен быть в справочнике тарифов.",
    "Tariful agentului economic trebuie să existe în nomenclatorul tarifelor."};
inline constexpr RuleEntry kAnnualOldSdTariffEaFilled{
    "annual-old.sd.tariff-ea-filled", Field(FileKind::SD_OLD, old_sd::SD_TARIF_EA),
    "не заполнено",
    "Тариф ЭА должен быть заполнен в строке месяца.",
    "Tariful agentului economic trebuie completat în rândul lunii."};
inline constexpr RuleEntry kAnnualOldSdTariffEaNotZero{
    "annual-old.sd.tariff-ea-not-zero", Field(FileKind::SD_OLD, old_sd::SD_TARIF_EA),
    " = 0. Должно быть заполнено из классификатора.",
    "Тариф ЭА не должен равняться нулю.",
    "Tariful agentului economic nu trebuie să fie zero."};
inline constexpr RuleEntry kAnnualOldSdTotalRowPresent{
    "annual-old.sd.total-row-present", InFile(FileKind::SD_OLD),
    "пропущена итоговая строка с кодом месяца \"13\".",
    "У декларации должна быть итоговая строка с месяцем 13.",
    "Declarația trebuie să aibă rândul de total cu luna 13."};
inline constexpr RuleEntry kAnnualOldSdTotalRowMatchesMonths{
    "annual-old.sd.total-row-matches-months", FieldRange(FileKind::SD_OLD, old_sd::SD_PAYM_FOND, old_sd::SD_SUM_ADD_AP),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая строка (месяц 13) должна равняться сумме строк месяцев декларации.",
    "Rândul de total (luna 13) trebuie să fie egal cu suma rândurilor lunare ale declarației."};
inline constexpr RuleEntry kAnnualOldSdTotalRowOnce{
    "annual-old.sd.total-row-once", InFile(FileKind::SD_OLD),
    "итог (13) два раза",
    "У декларации должна быть только одна итоговая строка с месяцем 13.",
    "Declarația trebuie să aibă un singur rând de total cu luna 13."};
inline constexpr RuleEntry kAnnualOldSdTransferWithinCap2006{
    "annual-old.sd.transfer-within-cap-2006", Field(FileKind::SD_OLD, old_sd::SD_SUM_REAL_AP),
    "превышение лимита взносов (>153.00).",
    "Взносы застрахованного лица за месяц 2006 года не должны превышать 153.00.",
    "Contribuțiile persoanei asigurate pentru o lună din anul 2006 nu trebuie să depășească 153.00."};

// ----- annual, REV5_SD
inline constexpr RuleEntry kAnnualSdBeginInMonth{
    "annual.sd.begin-in-month", Field(FileKind::SD, sd::SD_BEGIN_DT),
    "за пределом текущего месяца",
    "Начальная дата работы должна быть в месяце строки.",
    "Data de început a muncii trebuie să fie în luna rândului."};
inline constexpr RuleEntry kAnnualSdBeginWithEnd{
    "annual.sd.begin-with-end", Field(FileKind::SD, sd::SD_BEGIN_DT),
    " {} заполнена, а <Конечная дата работы в месяце> - пустая",
    "Если заполнена начальная дата работы, должна быть заполнена и конечная.",
    "Dacă data de început a muncii este completată, trebuie completată și data de sfârșit."};
inline constexpr RuleEntry kAnnualSdEndInMonth{
    "annual.sd.end-in-month", Field(FileKind::SD, sd::SD_END_DT),
    "за пределом текущего месяца",
    "Конечная дата работы должна быть в месяце строки.",
    "Data de sfârșit a muncii trebuie să fie în luna rândului."};
inline constexpr RuleEntry kAnnualSdEndWithBegin{
    "annual.sd.end-with-begin", Field(FileKind::SD, sd::SD_END_DT),
    " {} заполнена, а <Начальная дата работы в месяце> - пустая",
    "Если заполнена конечная дата работы, должна быть заполнена и начальная.",
    "Dacă data de sfârșit a muncii este completată, trebuie completată și data de început."};
inline constexpr RuleEntry kAnnualSdFundNotNegative{
    "annual.sd.fund-not-negative", Field(FileKind::SD, sd::SD_PAYM_FOND),
    "не должно быть отрицательной суммой",
    "Фонд зарплаты за месяц не должен быть отрицательным.",
    "Fondul de salarizare al lunii nu trebuie să fie negativ."};
inline constexpr RuleEntry kAnnualSdMonthUnique{
    "annual.sd.month-unique", Field(FileKind::SD, sd::SD_MONTH),
    "Дублирование месяца.",
    "Месяц не должен повторяться в строках одной декларации.",
    "Luna nu trebuie să se repete în rândurile aceleiași declarații."};
inline constexpr RuleEntry kAnnualSdSumApWithinMonthlyLimit{
    "annual.sd.sum-ap-within-monthly-limit", Field(FileKind::SD, sd::SD_SUM_AP),
    "превышение лимита взносов (>{}",
    "Взносы застрахованного лица за месяц не должны превышать месячный лимит года.",
    "Contribuțiile lunare ale persoanei asigurate nu trebuie să depășească plafonul lunar al anului."};
inline constexpr RuleEntry kAnnualSdIllNotNegative{
    "annual.sd.ill-not-negative", Field(FileKind::SD, sd::SD_ILL),
    "не должно быть отрицательной суммой",
    "Больничные за месяц не должны быть отрицательными (с 2003 года).",
    "Indemnizațiile de boală ale lunii nu trebuie să fie negative (începând cu anul 2003)."};
inline constexpr RuleEntry kAnnualSdIllWithinFund{
    "annual.sd.ill-within-fund", Field(FileKind::SD, sd::SD_ILL),
    "больше, чем поле <Фонд оплаты> ",
    "Больничные за месяц не должны превышать фонд зарплаты.",
    "Indemnizațiile de boală ale lunii nu trebuie să depășească fondul de salarizare."};
inline constexpr RuleEntry kAnnualSdSumApNotNegative{
    "annual.sd.sum-ap-not-negative", Field(FileKind::SD, sd::SD_SUM_AP),
    "не должно быть отрицательной суммой",
    "Взносы застрахованного лица за месяц не должны быть отрицательными.",
    "Contribuțiile lunare ale persoanei asigurate nu trebuie să fie negative."};
inline constexpr RuleEntry kAnnualSdSumEaNotNegative{
    "annual.sd.sum-ea-not-negative", Field(FileKind::SD, sd::SD_SUM_EA),
    "не должно быть отрицательной суммой",
    "Взносы ЭА за месяц не должны быть отрицательными.",
    "Contribuțiile lunare ale agentului economic nu trebuie să fie negative."};
inline constexpr RuleEntry kAnnualSdSumApWithinYearlyLimit{
    "annual.sd.sum-ap-within-yearly-limit", Field(FileKind::SD, sd::SD_SUM_AP),
    "превышение лимита взносов (>{} (Plafon anual)",
    "Взносы застрахованного лица за год не должны превышать годовой лимит.",
    "Contribuțiile anuale ale persoanei asigurate nu trebuie să depășească plafonul anual."};

// ----- annual, REV5_T
inline constexpr RuleEntry kAnnualTPeriodZero{
    "annual.t.period-zero", Field(FileKind::T, svod::TRIMESTR),
    "для годовой декл. заполняется 0 (ноль)",
    "Для годовой декларации отчетный квартал равен 0.",
    "Pentru declarația anuală, trimestrul de raportare este 0."};
inline constexpr RuleEntry kAnnualTYearBeforeCurrent{
    "annual.t.year-before-current", Field(FileKind::T, svod::YEAR),
    "должно быть <= предыдущий год",
    "Отчетный год годовой декларации должен быть не позже предыдущего года.",
    "Anul de raportare al declarației anuale nu trebuie să fie după anul precedent."};

// ----- control
inline constexpr RuleEntry kControlNoInternalError{
    "control.no-internal-error", Nowhere(),
    "Внутренняя ошибка контроля: {}",
    "Контроль должен пройти без внутренней ошибки программы.",
    "Controlul trebuie să se încheie fără o eroare internă a programului."};
inline constexpr RuleEntry kControlFilesReadable{
    "control.files-readable", Nowhere(),
    "Ошибка чтения файла {}",
    "Файлы пакета должны читаться с диска.",
    "Fișierele pachetului trebuie să poată fi citite de pe disc."};

// ----- dictionary, *.txt
inline constexpr RuleEntry kDictionaryLineIntact{
    "dictionary.line-intact", InFiles("*.txt"),
    "запорчен файл",
    "Строка справочника должна содержать разделитель полей.",
    "Rândul nomenclatorului trebuie să conțină separatorul de câmpuri."};
inline constexpr RuleEntry kDictionaryDataTypeValid{
    "dictionary.data-type-valid", InFiles("*.txt"),
    "Неверный тип параметра",
    "Значения справочника должны иметь тип своего поля.",
    "Valorile nomenclatorului trebuie să aibă tipul câmpului lor.",
    "Ошибка: неверный тип данных."};
inline constexpr RuleEntry kDictionaryDateFormatValid{
    "dictionary.date-format-valid", InFiles("*.txt"),
    "Ошибка: неверный формат даты.",
    "Даты справочника должны быть записаны как ДД.ММ.ГГГГ.",
    "Datele din nomenclator trebuie scrise ca ZZ.LL.AAAA."};
inline constexpr RuleEntry kDictionaryLineEnded{
    "dictionary.line-ended", InFiles("*.txt"),
    "Ошибка. Отсутствует признак конца строки",
    "Каждая строка справочника должна заканчиваться признаком конца строки.",
    "Fiecare rând al nomenclatorului trebuie să se termine cu marcajul de sfârșit de rând."};
inline constexpr RuleEntry kDictionaryFilePresent{
    "dictionary.file-present", InFiles("*.txt"),
    "NU ESTE fisierul",
    "Файл справочника должен быть в рабочем каталоге.",
    "Fișierul nomenclatorului trebuie să fie în directorul de lucru."};

// ----- intake
inline constexpr RuleEntry kIntakeExtractionSucceeds{
    "intake.extraction-succeeds", Nowhere(),
    "О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!",
    "Архив пакета должен распаковываться без ошибок.",
    "Arhiva pachetului trebuie să se dezarhiveze fără erori."};
inline constexpr RuleEntry kIntakeListingPackageOnly{
    "intake.listing-package-only", Nowhere(),
    "неправильно создан архив (в архиве должно быть только 4 файла!)",
    "Архив пакета должен содержать только файлы пакета.",
    "Arhiva pachetului trebuie să conțină numai fișierele pachetului."};
inline constexpr RuleEntry kIntakePackageNameValid{
    "intake.package-name-valid", Nowhere(),
    "ОШИБКА В ИМЕНИ ПАКЕТА ({})!!!",
    "Имя архива пакета должно соответствовать правилам именования для варианта.",
    "Numele arhivei pachetului trebuie să respecte regulile de denumire ale variantei."};
inline constexpr RuleEntry kIntakeSizeWithinCap{
    "intake.size-within-cap", Nowhere(),
    "Пакет слишком велик: распакованные файлы превышают допустимый размер",
    "Распакованные файлы пакета не должны превышать допустимый размер.",
    "Fișierele dezarhivate ale pachetului nu trebuie să depășească dimensiunea admisă."};
inline constexpr RuleEntry kIntakeWorkdirFree{
    "intake.workdir-free", Nowhere(),
    "Рабочий каталог {} занят другой проверкой; повторите позже",
    "Рабочий каталог не должен быть занят другой проверкой.",
    "Directorul de lucru nu trebuie să fie ocupat de un alt control."};

// ----- load, REV5_*
inline constexpr RuleEntry kLoadDataTypeValid{
    "load.data-type-valid", InFiles("REV5_*"),
    "Ошибка: неверный тип данных.",
    "Значения в файле пакета должны иметь тип своего поля.",
    "Valorile din fișierul pachetului trebuie să aibă tipul câmpului lor."};
inline constexpr RuleEntry kLoadDateFormatValid{
    "load.date-format-valid", InFiles("REV5_*"),
    "Ошибка: неверный формат даты.",
    "Даты в файле пакета должны быть записаны как ДД.ММ.ГГГГ.",
    "Datele din fișierul pachetului trebuie scrise ca ZZ.LL.AAAA."};
inline constexpr RuleEntry kLoadLineEnded{
    "load.line-ended", InFiles("REV5_*"),
    "Ошибка. Отсутствует признак конца строки",
    "Каждая строка файла пакета должна заканчиваться признаком конца строки.",
    "Fiecare rând al fișierului pachetului trebuie să se termine cu marcajul de sfârșit de rând."};
inline constexpr RuleEntry kLoadFieldsComplete{
    "load.fields-complete", InFiles("REV5_*"),
    "отсутствует поле",
    "В строке файла пакета должны быть все поля.",
    "Rândul fișierului pachetului trebuie să aibă toate câmpurile."};
inline constexpr RuleEntry kLoadFilePresent{
    "load.file-present", InFiles("REV5_*"),
    "NU ESTE fisierul",
    "Файл пакета должен быть в рабочем каталоге.",
    "Fișierul pachetului trebuie să fie în directorul de lucru."};

// ----- monthly, REV5_NA
inline constexpr RuleEntry kMonthlyNaCpasFilled{
    "monthly.na.cpas-filled", Field(FileKind::NA, na::NA_CPAS),
    " не заполнен. Обязательный параметр для ежемесячных деклараций",
    "В ежемесячной декларации код CPAS должен быть заполнен.",
    "În declarația lunară codul CPAS trebuie completat."};

// ----- monthly, REV5_SD
inline constexpr RuleEntry kMonthlySdBeginNotAfterNextYear{
    "monthly.sd.begin-not-after-next-year", Field(FileKind::SD, sd::SD_BEGIN_DT),
    "- можно данные только на год вперед",
    "Начальная дата работы должна быть не позже чем через год после отчетного месяца.",
    "Data de început a muncii nu trebuie să fie la mai mult de un an după luna de raportare."};
inline constexpr RuleEntry kMonthlySdBeginNotBeforeLastYear{
    "monthly.sd.begin-not-before-last-year", Field(FileKind::SD, sd::SD_BEGIN_DT),
    "- для 153 категории можно данные только на 1 год назад",
    "Для категорий с данными задним числом начальная дата работы должна быть не раньше чем за год до отчетного месяца.",
    "Pentru categoriile cu date retroactive, data de început a muncii nu trebuie să fie cu mai mult de un an înainte de luna de raportare."};
inline constexpr RuleEntry kMonthlySdBeginNotBeforeMonth{
    "monthly.sd.begin-not-before-month", Field(FileKind::SD, sd::SD_BEGIN_DT),
    "- даты за предыдущие месяцы не допускаются",
    "Начальная дата работы не должна быть раньше отчетного месяца.",
    "Data de început a muncii nu trebuie să fie înainte de luna de raportare."};
inline constexpr RuleEntry kMonthlySdJobCodeActive{
    "monthly.sd.job-code-active", Field(FileKind::SD, sd::SD_JOB_CODE),
    " = {} данный код неактивный",
    "Код должности должен быть активным в справочнике профессий.",
    "Codul funcției trebuie să fie activ în nomenclatorul profesiilor."};
inline constexpr RuleEntry kMonthlySdJobCodeListed{
    "monthly.sd.job-code-listed", Field(FileKind::SD, sd::SD_JOB_CODE),
    " = {} данный код отсутствует в справочнике профессий",
    "Код должности должен быть в справочнике профессий.",
    "Codul funcției trebuie să existe în nomenclatorul profesiilor."};
inline constexpr RuleEntry kMonthlySdMonthIsReportingMonth{
    "monthly.sd.month-is-reporting-month", Field(FileKind::SD, sd::SD_MONTH),
    "={} не равен отчетному месяцу={}",
    "Месяц строки должен быть отчетным месяцем.",
    "Luna rândului trebuie să fie luna de raportare."};
inline constexpr RuleEntry kMonthlySdPeriodsDisjoint{
    "monthly.sd.periods-disjoint", InFile(FileKind::SD),
    "Пачка {} Декл {} {} месяц {}  Даты пересекаются",
    "Периоды работы одной декларации в одном месяце и категории не должны пересекаться.",
    "Perioadele de muncă ale aceleiași declarații, în aceeași lună și categorie, nu trebuie să se suprapună."};

// ----- monthly, REV5_T
inline constexpr RuleEntry kMonthlyTMonthRange{
    "monthly.t.month-range", MonthlyField(FileKind::T, svod::TRIMESTR),
    "Указать значение Месяца (1-12)",
    "Отчетный месяц должен быть от 1 до 12.",
    "Luna de raportare trebuie să fie între 1 și 12."};

// ----- new, REV5_IP
inline constexpr RuleEntry kNewIpDocNumberFilled{
    "new.ip.doc-number-filled", Field(FileKind::IP, pl::PL_DOC_NUMBER),
    "не заполнено",
    "Поле «2.Кол-во документов в пачке» должно быть заполнено.",
    "Câmpul «2.Кол-во документов в пачке» trebuie completat."};
inline constexpr RuleEntry kNewIpDocNumberAtMost50{
    "new.ip.doc-number-at-most-50", Field(FileKind::IP, pl::PL_DOC_NUMBER),
    "должно быть <= 50",
    "Документов в пачке должно быть не больше 50.",
    "Un pachet nu trebuie să aibă mai mult de 50 de documente."};
inline constexpr RuleEntry kNewIpFondMatchesDeclarations{
    "new.ip.fond-matches-declarations", Field(FileKind::IP, pl::PL_PAYM_FOND),
    "с ошибкой. Разность={}",
    "Фонд зарплаты пачки должен равняться сумме итоговых строк её деклараций.",
    "Fondul de salarizare al pachetului trebuie să fie egal cu suma rândurilor de total ale declarațiilor lui."};
inline constexpr RuleEntry kNewIpIllMatchesDeclarations{
    "new.ip.ill-matches-declarations", Field(FileKind::IP, pl::PL_ILL),
    "с ошибкой. Разность={}",
    "Больничные пачки должны равняться сумме итоговых строк её деклараций.",
    "Indemnizațiile de boală ale pachetului trebuie să fie egale cu suma rândurilor de total ale declarațiilor lui."};
inline constexpr RuleEntry kNewIpPackCount{
    "new.ip.pack-count", InFile(FileKind::IP),
    "поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP",
    "Общее количество пачек в файле REV5_T должно равняться числу пачек в файле REV5_IP.",
    "Numărul total de pachete din fișierul REV5_T trebuie să fie egal cu numărul de pachete din fișierul REV5_IP."};
inline constexpr RuleEntry kNewIpPackUnique{
    "new.ip.pack-unique", Field(FileKind::IP, pl::PL_ID),
    "ВНИМАНИЕ! Дублирование номера пачки",
    "Номер пачки не должен повторяться в файле REV5_IP.",
    "Numărul pachetului nu trebuie să se repete în fișierul REV5_IP."};
inline constexpr RuleEntry kNewIpPackIdFilled{
    "new.ip.pack-id-filled", Field(FileKind::IP, pl::PL_ID),
    "не заполнено",
    "Поле «1.Номер пачки ЭА» должно быть заполнено.",
    "Câmpul «1.Номер пачки ЭА» trebuie completat."};
inline constexpr RuleEntry kNewIpSumApMatchesDeclarations{
    "new.ip.sum-ap-matches-declarations", Field(FileKind::IP, pl::PL_SUM_AP),
    "с ошибкой. Разность={}",
    "Взносы застрахованных лиц пачки должны равняться сумме итоговых строк её деклараций.",
    "Contribuțiile persoanelor asigurate ale pachetului trebuie să fie egale cu suma rândurilor de total ale declarațiilor lui."};
inline constexpr RuleEntry kNewIpSumEaMatchesDeclarations{
    "new.ip.sum-ea-matches-declarations", Field(FileKind::IP, pl::PL_SUM_EA),
    "с ошибкой. Разность={}",
    "Взносы ЭА пачки должны равняться сумме итоговых строк её деклараций.",
    "Contribuțiile agentului economic ale pachetului trebuie să fie egale cu suma rândurilor de total ale declarațiilor lui."};
inline constexpr RuleEntry kNewIpTotalIsSum{
    "new.ip.total-is-sum", Field(FileKind::IP, pl::PL_SUM_TOTAL),
    "не равно сумме (взносы ЗЛ + взносы работодателя)",
    "Всего взносов пачки должно равняться сумме взносов застрахованных лиц и ЭА.",
    "Totalul contribuțiilor pachetului trebuie să fie egal cu suma contribuțiilor persoanelor asigurate și ale agentului economic."};
inline constexpr RuleEntry kNewIpTotalMatchesDeclarations{
    "new.ip.total-matches-declarations", Field(FileKind::IP, pl::PL_SUM_TOTAL),
    "с ошибкой. Разность={}",
    "Всего взносов пачки должно равняться сумме итоговых строк её деклараций.",
    "Totalul contribuțiilor pachetului trebuie să fie egal cu suma rândurilor de total ale declarațiilor lui."};

// ----- new, REV5_NA
inline constexpr RuleEntry kNewNaBirthDateInWindow{
    "new.na.birth-date-in-window", Field(FileKind::NA, na::NA_BIRTH_DT),
    "проверьте дату",
    "Дата рождения должна быть не раньше нижней границы и не позже текущей даты.",
    "Data nașterii nu trebuie să fie înainte de limita inferioară, nici după data curentă."};
inline constexpr RuleEntry kNewNaCpasDigits{
    "new.na.cpas-digits", Field(FileKind::NA, na::NA_CPAS),
    "содержит недопустимые символы - не цифры",
    "Поле «3.Код CPAS» должно состоять только из цифр.",
    "Câmpul «3.Код CPAS» trebuie să conțină numai cifre."};
inline constexpr RuleEntry kNewNaCpasUnique{
    "new.na.cpas-unique", Field(FileKind::NA, na::NA_CPAS),
    "ВНИМАНИЕ! Дублирование. CPAS= {}",
    "Код CPAS не должен повторяться в файле REV5_NA.",
    "Codul CPAS nu trebuie să se repete în fișierul REV5_NA."};
inline constexpr RuleEntry kNewNaCpasLength{
    "new.na.cpas-length", Field(FileKind::NA, na::NA_CPAS),
    "не содержит 11 знаков.",
    "Код CPAS должен содержать 11 знаков.",
    "Codul CPAS trebuie să aibă 11 caractere."};
inline constexpr RuleEntry kNewNaDeclarationsPerPack{
    "new.na.declarations-per-pack", InFile(FileKind::NA),
    "количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip",
    "Число деклараций пачки в файле REV5_NA должно равняться объявленному в файле REV5_IP.",
    "Numărul de declarații ale pachetului din fișierul REV5_NA trebuie să fie egal cu cel declarat în fișierul REV5_IP."};
inline constexpr RuleEntry kNewNaDocNumberDigits{
    "new.na.doc-number-digits", Field(FileKind::NA, na::NA_DOC_NUMBER),
    "содержит недопустимые символы - не цифры",
    "Поле «11.Номер документа» должно состоять только из цифр.",
    "Câmpul «11.Номер документа» trebuie să conțină numai cifre."};
inline constexpr RuleEntry kNewNaDocNumberLength{
    "new.na.doc-number-length", Field(FileKind::NA, na::NA_DOC_NUMBER),
    "длина превышает 8 символов",
    "Номер документа должен быть не длиннее 8 символов.",
    "Numărul documentului nu trebuie să aibă mai mult de 8 caractere."};
inline constexpr RuleEntry kNewNaDocTypeInDictionary{
    "new.na.doc-type-in-dictionary", Field(FileKind::NA, na::NA_DOC_TYPE),
    "не соответствует коду из справочника",
    "Код в поле «9.Тип документа» должен быть в справочнике.",
    "Codul din câmpul «9.Тип документа» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kNewNaDocTypeForbidsIdnp{
    "new.na.doc-type-forbids-idnp", Field(FileKind::NA, na::NA_DOC_TYPE),
    "= 2 или 3, код IDNP не должен быть заполнен или неверно заполнен тип документа",
    "При типе документа 2 или 3 номер IDNP не заполняется.",
    "Când tipul documentului este 2 sau 3, numărul IDNP nu se completează."};
inline constexpr RuleEntry kNewNaDocTypeGiven{
    "new.na.doc-type-given", Field(FileKind::NA, na::NA_DOC_TYPE),
    "неправильно указан тип документа",
    "Если заполнены данные документа, тип документа должен быть указан.",
    "Dacă datele documentului sunt completate, tipul documentului trebuie indicat."};
inline constexpr RuleEntry kNewNaDocTypeNeedsIdnp{
    "new.na.doc-type-needs-idnp", Field(FileKind::NA, na::NA_IDNP),
    "должен быть заполнен, при типе документа =1,12,13,14,22,23,24,25,26",
    "При типе документа 1, 12, 13, 14, 22–26 номер IDNP должен быть заполнен.",
    "Când tipul documentului este 1, 12, 13, 14 sau 22–26, numărul IDNP trebuie completat."};
inline constexpr RuleEntry kNewNaDocTypeNeedsNumber{
    "new.na.doc-type-needs-number", Field(FileKind::NA, na::NA_DOC_TYPE),
    "= 4, должен быть заполнен номер документа",
    "При типе документа 4 номер документа должен быть заполнен.",
    "Când tipul documentului este 4, numărul documentului trebuie completat."};
inline constexpr RuleEntry kNewNaDocTypeNeedsSeries{
    "new.na.doc-type-needs-series", Field(FileKind::NA, na::NA_DOC_TYPE),
    "= 2 или 3, должны быть заполнены серия и номер документа",
    "При типе документа 2 или 3 серия и номер документа должны быть заполнены.",
    "Când tipul documentului este 2 sau 3, seria și numărul documentului trebuie completate."};
inline constexpr RuleEntry kNewNaDocTypeNotZero{
    "new.na.doc-type-not-zero", Field(FileKind::NA, na::NA_DOC_TYPE),
    "не должен быть равен нулю",
    "Тип документа не должен равняться нулю.",
    "Tipul documentului nu trebuie să fie zero."};
inline constexpr RuleEntry kNewNaDocTypeZeroWithoutDocument{
    "new.na.doc-type-zero-without-document", Field(FileKind::NA, na::NA_DOC_TYPE),
    "неправильно указан тип документа",
    "При типе документа 0 данные документа не заполняются.",
    "Când tipul documentului este 0, datele documentului nu se completează."};
inline constexpr RuleEntry kNewNaFileNotEmpty{
    "new.na.file-not-empty", InFile(FileKind::NA),
    "Внимание ошибка! отсутствуют данные (файл пустой)",
    "Файл REV5_NA не должен быть пустым.",
    "Fișierul REV5_NA nu trebuie să fie gol."};
inline constexpr RuleEntry kNewNaFirstNameCharacters{
    "new.na.first-name-characters", Field(FileKind::NA, na::NA_FIRST_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «5.Имя» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «5.Имя» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kNewNaFirstNameFilled{
    "new.na.first-name-filled", Field(FileKind::NA, na::NA_FIRST_NAME, FieldKind::Name),
    "не заполнено",
    "Поле «5.Имя» должно быть заполнено.",
    "Câmpul «5.Имя» trebuie completat."};
inline constexpr RuleEntry kNewNaIdFilled{
    "new.na.id-filled", Field(FileKind::NA, na::NA_ID),
    "не заполнено",
    "Поле «1.Номер декларации» должно быть заполнено.",
    "Câmpul «1.Номер декларации» trebuie completat."};
inline constexpr RuleEntry kNewNaIdentityGiven{
    "new.na.identity-given", Field(FileKind::NA, na::NA_CPAS),
    "пустой, то должны быть заполнены паспортные данные",
    "Если код CPAS пустой, должны быть заполнены паспортные данные.",
    "Dacă codul CPAS este gol, datele pașaportului trebuie completate."};
inline constexpr RuleEntry kNewNaIdnpDigits{
    "new.na.idnp-digits", Field(FileKind::NA, na::NA_IDNP),
    "содержит недопустимые символы - не цифры",
    "Поле «8.Номер IDNP» должно состоять только из цифр.",
    "Câmpul «8.Номер IDNP» trebuie să conțină numai cifre."};
inline constexpr RuleEntry kNewNaIdnpUnique{
    "new.na.idnp-unique", Field(FileKind::NA, na::NA_IDNP),
    "ВНИМАНИЕ! Дублирование.",
    "Номер IDNP не должен повторяться в файле REV5_NA.",
    "Numărul IDNP nu trebuie să se repete în fișierul REV5_NA."};
inline constexpr RuleEntry kNewNaIdnpLength{
    "new.na.idnp-length", Field(FileKind::NA, na::NA_IDNP),
    "не содержит 13 знаков.",
    "Номер IDNP должен содержать 13 знаков.",
    "Numărul IDNP trebuie să aibă 13 caractere."};
inline constexpr RuleEntry kNewNaIssueDateInWindow{
    "new.na.issue-date-in-window", Field(FileKind::NA, na::NA_DOC_DT),
    "проверьте дату",
    "Дата выдачи документа должна быть не раньше нижней границы и не позже текущей даты.",
    "Data eliberării documentului nu trebuie să fie înainte de limita inferioară, nici după data curentă."};
inline constexpr RuleEntry kNewNaLastNameCharacters{
    "new.na.last-name-characters", Field(FileKind::NA, na::NA_LAST_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «4.Фамилия» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «4.Фамилия» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kNewNaLastNameFilled{
    "new.na.last-name-filled", Field(FileKind::NA, na::NA_LAST_NAME, FieldKind::Name),
    "не заполнено",
    "Поле «4.Фамилия» должно быть заполнено.",
    "Câmpul «4.Фамилия» trebuie completat."};
inline constexpr RuleEntry kNewNaMiddleNameCharacters{
    "new.na.middle-name-characters", Field(FileKind::NA, na::NA_MIDDLE_NAME, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «6.Отчество» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «6.Отчество» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kNewNaMonthlyRowsExist{
    "new.na.monthly-rows-exist", InFile(FileKind::NA),
    "данные отсутствуют в файле REV5_SD",
    "У декларации должны быть строки в файле REV5_SD.",
    "Declarația trebuie să aibă rânduri în fișierul REV5_SD."};
inline constexpr RuleEntry kNewNaPackFilled{
    "new.na.pack-filled", Field(FileKind::NA, na::NA_PL),
    "не заполнено",
    "Поле «2.Номер пачки» должно быть заполнено.",
    "Câmpul «2.Номер пачки» trebuie completat."};
inline constexpr RuleEntry kNewNaPackInIp{
    "new.na.pack-in-ip", Field(FileKind::NA, na::NA_PL),
    "отсутствует в файле REV5_IP",
    "Значение поля «2.Номер пачки» должно быть в файле REV5_IP.",
    "Valoarea câmpului «2.Номер пачки» trebuie să existe în fișierul REV5_IP."};

// ----- new, REV5_SD
inline constexpr RuleEntry kNewSdBeginRequired{
    "new.sd.begin-required", Field(FileKind::SD, sd::SD_BEGIN_DT),
    "- обязательный параметр",
    "Начальная дата работы в месяце обязательна.",
    "Data de început a muncii în lună este obligatorie."};
inline constexpr RuleEntry kNewSdBeginYear{
    "new.sd.begin-year", Field(FileKind::SD, sd::SD_BEGIN_DT),
    "ошибочное значение года ={}",
    "Год начальной даты работы должен отличаться от отчетного года не больше чем на 1.",
    "Anul datei de început a muncii nu trebuie să difere de anul de raportare cu mai mult de 1."};
inline constexpr RuleEntry kNewSdCategory150Fund{
    "new.sd.category-150-fund", InFile(FileKind::SD),
    "категория 150 -  фонд не заполнен ( = 0 )",
    "Для категории 150 фонд зарплаты должен быть заполнен.",
    "Pentru categoria 150 fondul de salarizare trebuie completat."};
inline constexpr RuleEntry kNewSdCategoryInDictionary{
    "new.sd.category-in-dictionary", Field(FileKind::SD, sd::SD_CATEGORY),
    "не соответствует коду из справочника",
    "Категория застрахованного лица должна быть в справочнике категорий.",
    "Categoria persoanei asigurate trebuie să existe în nomenclatorul categoriilor."};
inline constexpr RuleEntry kNewSdCategoryFilled{
    "new.sd.category-filled", Field(FileKind::SD, sd::SD_CATEGORY),
    "не заполнено",
    "Поле «5.Категория застр.лица» должно быть заполнено.",
    "Câmpul «5.Категория застр.лица» trebuie completat."};
inline constexpr RuleEntry kNewSdCategoryNotZero{
    "new.sd.category-not-zero", Field(FileKind::SD, sd::SD_CATEGORY),
    "не должно равняться нулю (0)",
    "Категория застрахованного лица не должна равняться нулю.",
    "Categoria persoanei asigurate nu trebuie să fie zero."};
inline constexpr RuleEntry kNewSdCategoryValidInYear{
    "new.sd.category-valid-in-year", Field(FileKind::SD, sd::SD_CATEGORY),
    " код {} не действителен для отчетного года={}",
    "Категория должна действовать в отчетном году.",
    "Categoria trebuie să fie în vigoare în anul de raportare."};
inline constexpr RuleEntry kNewSdDateMonthsAgree{
    "new.sd.date-months-agree", Field(FileKind::SD, sd::SD_END_DT),
    "значение месяца в датах должно совпадать. BEGIN_DT={} END_DT={}",
    "Начальная и конечная даты работы должны быть в одном месяце.",
    "Data de început și data de sfârșit a muncii trebuie să fie în aceeași lună."};
inline constexpr RuleEntry kNewSdDateYearsAgree{
    "new.sd.date-years-agree", Field(FileKind::SD, sd::SD_END_DT),
    "ошибочное значение года. BEGIN_DT={} END_DT={}",
    "Начальная и конечная даты работы должны быть в одном году.",
    "Data de început și data de sfârșit a muncii trebuie să fie în același an."};
inline constexpr RuleEntry kNewSdDaysWeek5Or6{
    "new.sd.days-week-5-or-6", Field(FileKind::SD, sd::SD_DAYS_WEEK),
    "должно равняться 5 или 6",
    "Рабочих дней в неделю должно быть 5 или 6.",
    "Numărul zilelor lucrătoare pe săptămână trebuie să fie 5 sau 6."};
inline constexpr RuleEntry kNewSdDaysWeekFilled{
    "new.sd.days-week-filled", Field(FileKind::SD, sd::SD_DAYS_WEEK),
    "не заполнено",
    "Поле «6.Рабочих дней в неделю» должно быть заполнено.",
    "Câmpul «6.Рабочих дней в неделю» trebuie completat."};
inline constexpr RuleEntry kNewSdDeclarationFilled{
    "new.sd.declaration-filled", Field(FileKind::SD, sd::SD_NA),
    "не заполнено",
    "Поле «1.Номер декларации» должно быть заполнено.",
    "Câmpul «1.Номер декларации» trebuie completat."};
inline constexpr RuleEntry kNewSdDeclarationInNa{
    "new.sd.declaration-in-na", FieldPair(FileKind::SD, sd::SD_NA, sd::SD_PL),
    "отсутствует в файле REV5_NA",
    "Декларация из файла REV5_SD должна быть в файле REV5_NA.",
    "Declarația din fișierul REV5_SD trebuie să existe în fișierul REV5_NA."};
inline constexpr RuleEntry kNewSdFileNotEmpty{
    "new.sd.file-not-empty", InFile(FileKind::SD),
    "Внимание ошибка! отсутствуют данные (файл пустой)",
    "Файл REV5_SD не должен быть пустым.",
    "Fișierul REV5_SD nu trebuie să fie gol."};
inline constexpr RuleEntry kNewSdBeginBeforeEnd{
    "new.sd.begin-before-end", Field(FileKind::SD, sd::SD_BEGIN_DT),
    " {} должна быть меньше конечной даты месяца {}",
    "Начальная дата работы должна быть раньше конечной.",
    "Data de început a muncii trebuie să fie înainte de data de sfârșit."};
inline constexpr RuleEntry kNewSdEndRequired{
    "new.sd.end-required", Field(FileKind::SD, sd::SD_END_DT),
    "- обязательный параметр",
    "Конечная дата работы в месяце обязательна.",
    "Data de sfârșit a muncii în lună este obligatorie."};
inline constexpr RuleEntry kNewSdEndYear{
    "new.sd.end-year", Field(FileKind::SD, sd::SD_END_DT),
    "ошибочное значение года ={}",
    "Год конечной даты работы должен отличаться от отчетного года не больше чем на 1.",
    "Anul datei de sfârșit a muncii nu trebuie să difere de anul de raportare cu mai mult de 1."};
inline constexpr RuleEntry kNewSdExemptCategoryContributions{
    "new.sd.exempt-category-contributions", InFile(FileKind::SD),
    "категория {} -  заполнены взносы. Должны равняться (нулю)",
    "Для категорий без взносов взносы должны равняться нулю.",
    "Pentru categoriile fără contribuții, contribuțiile trebuie să fie zero."};
inline constexpr RuleEntry kNewSdFondMatchesMonths{
    "new.sd.fond-matches-months", Field(FileKind::SD, sd::SD_PAYM_FOND),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая строка (месяц 13) фонда зарплаты должна равняться сумме по месяцам.",
    "Rândul de total (luna 13) al fondului de salarizare trebuie să fie egal cu suma pe luni."};
inline constexpr RuleEntry kNewSdIllMatchesMonths{
    "new.sd.ill-matches-months", Field(FileKind::SD, sd::SD_ILL),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая строка (месяц 13) больничных должна равняться сумме по месяцам.",
    "Rândul de total (luna 13) al indemnizațiilor de boală trebuie să fie egal cu suma pe luni."};
inline constexpr RuleEntry kNewSdJobCodeInDictionary{
    "new.sd.job-code-in-dictionary", Field(FileKind::SD, sd::SD_JOB_CODE),
    "не соответствует коду из справочника",
    "Код в поле «4.Код занимаемой должности» должен быть в справочнике.",
    "Codul din câmpul «4.Код занимаемой должности» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kNewSdMonthInDictionary{
    "new.sd.month-in-dictionary", Field(FileKind::SD, sd::SD_MONTH),
    "не соответствует коду из справочника",
    "Код в поле «3.Месяц» должен быть в справочнике.",
    "Codul din câmpul «3.Месяц» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kNewSdMonthFilled{
    "new.sd.month-filled", Field(FileKind::SD, sd::SD_MONTH),
    "не заполнено",
    "Поле «3.Месяц» должно быть заполнено.",
    "Câmpul «3.Месяц» trebuie completat."};
inline constexpr RuleEntry kNewSdMonthNotZero{
    "new.sd.month-not-zero", Field(FileKind::SD, sd::SD_MONTH),
    "не должно равняться нулю (0)",
    "Месяц не должен равняться нулю.",
    "Luna nu trebuie să fie zero."};
inline constexpr RuleEntry kNewSdPackFilled{
    "new.sd.pack-filled", Field(FileKind::SD, sd::SD_PL),
    "не заполнено",
    "Поле «2.Номер пачки» должно быть заполнено.",
    "Câmpul «2.Номер пачки» trebuie completat."};
inline constexpr RuleEntry kNewSdPackInIp{
    "new.sd.pack-in-ip", Field(FileKind::SD, sd::SD_PL),
    "отсутствует в файле REV5_IP",
    "Значение поля «2.Номер пачки» должно быть в файле REV5_IP.",
    "Valoarea câmpului «2.Номер пачки» trebuie să existe în fișierul REV5_IP."};
inline constexpr RuleEntry kNewSdSickLeaveEmployer{
    "new.sd.sick-leave-employer", Field(FileKind::SD, sd::SD_PAYM_FOND),
    "если фонд = б/л, то взн.раб. должны = 0 ",
    "Если весь фонд — больничные, взносы работодателя должны равняться нулю.",
    "Dacă tot fondul este format din indemnizații de boală, contribuțiile angajatorului trebuie să fie zero."};
inline constexpr RuleEntry kNewSdSickLeaveIndividual{
    "new.sd.sick-leave-individual", Field(FileKind::SD, sd::SD_PAYM_FOND),
    "если фонд = б/л, то инд.взн должны = 0 ",
    "Если весь фонд — больничные, индивидуальные взносы должны равняться нулю.",
    "Dacă tot fondul este format din indemnizații de boală, contribuțiile individuale trebuie să fie zero."};
inline constexpr RuleEntry kNewSdSumApMatchesMonths{
    "new.sd.sum-ap-matches-months", Field(FileKind::SD, sd::SD_SUM_AP),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая строка (месяц 13) взносов застрахованного лица должна равняться сумме по месяцам.",
    "Rândul de total (luna 13) al contribuțiilor persoanei asigurate trebuie să fie egal cu suma pe luni."};
inline constexpr RuleEntry kNewSdSumEaMatchesMonths{
    "new.sd.sum-ea-matches-months", Field(FileKind::SD, sd::SD_SUM_EA),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая строка (месяц 13) взносов ЭА должна равняться сумме по месяцам.",
    "Rândul de total (luna 13) al contribuțiilor agentului economic trebuie să fie egal cu suma pe luni."};
inline constexpr RuleEntry kNewSdTotalIsSum{
    "new.sd.total-is-sum", Field(FileKind::SD, sd::SD_SUM_TOTAL),
    "не равно сумме (взносы ЗЛ + взносы работодателя)",
    "Всего взносов за месяц должно равняться сумме взносов застрахованного лица и ЭА.",
    "Totalul contribuțiilor lunii trebuie să fie egal cu suma contribuțiilor persoanei asigurate și ale agentului economic."};
inline constexpr RuleEntry kNewSdTotalMatchesMonths{
    "new.sd.total-matches-months", Field(FileKind::SD, sd::SD_SUM_TOTAL),
    "с ошибкой. Сумма по месяцам не равна итоговой. Разность={}",
    "Итоговая строка (месяц 13) всего взносов должна равняться сумме по месяцам.",
    "Rândul de total (luna 13) al totalului contribuțiilor trebuie să fie egal cu suma pe luni."};
inline constexpr RuleEntry kNewSdTotalRowPresent{
    "new.sd.total-row-present", InFile(FileKind::SD),
    "пропущена итоговая строка с кодом месяца \"13\".",
    "У декларации должна быть итоговая строка с месяцем 13.",
    "Declarația trebuie să aibă rândul de total cu luna 13."};
inline constexpr RuleEntry kNewSdTotalRowOnce{
    "new.sd.total-row-once", InFile(FileKind::SD),
    "итог (13) два раза",
    "У декларации должна быть только одна итоговая строка с месяцем 13.",
    "Declarația trebuie să aibă un singur rând de total cu luna 13."};

// ----- new, REV5_T
inline constexpr RuleEntry kNewTFioCharacters{
    "new.t.fio-characters", Field(FileKind::T, svod::FIO_EA, FieldKind::Name),
    "содержит недопустимый символ",
    "Поле «7.ФИО ответств.ЭА» должно содержать только допустимые символы, без двух знаков подряд.",
    "Câmpul «7.ФИО ответств.ЭА» trebuie să conțină numai caractere permise, fără două semne consecutive.",
    "содержит два знака подряд"};
inline constexpr RuleEntry kNewTFioFilled{
    "new.t.fio-filled", Field(FileKind::T, svod::FIO_EA, FieldKind::Name),
    "не заполнено",
    "Поле «7.ФИО ответств.ЭА» должно быть заполнено.",
    "Câmpul «7.ФИО ответств.ЭА» trebuie completat."};
inline constexpr RuleEntry kNewTFondMatchesPacks{
    "new.t.fond-matches-packs", Field(FileKind::T, svod::PAYM_FOND),
    "с ошибкой. Разность={}",
    "Общий фонд зарплаты должен равняться сумме фондов пачек.",
    "Fondul total de salarizare trebuie să fie egal cu suma fondurilor pachetelor."};
inline constexpr RuleEntry kNewTFormationDateFilled{
    "new.t.formation-date-filled", Field(FileKind::T, svod::FORMATION_DT),
    "не заполнено",
    "Поле «8.Дата заполнения» должно быть заполнено.",
    "Câmpul «8.Дата заполнения» trebuie completat."};
inline constexpr RuleEntry kNewTFormationDateNotFuture{
    "new.t.formation-date-not-future", Field(FileKind::T, svod::FORMATION_DT),
    "больше текущей даты",
    "Дата в поле «8.Дата заполнения» не должна быть позже текущей даты.",
    "Data din câmpul «8.Дата заполнения» nu trebuie să fie după data curentă."};
inline constexpr RuleEntry kNewTIllMatchesPacks{
    "new.t.ill-matches-packs", Field(FileKind::T, svod::ILL),
    "с ошибкой. Разность={}",
    "Всего больничных должно равняться сумме больничных пачек.",
    "Totalul indemnizațiilor de boală trebuie să fie egal cu suma indemnizațiilor de boală ale pachetelor."};
inline constexpr RuleEntry kNewTKodtkssInDictionary{
    "new.t.kodtkss-in-dictionary", Field(FileKind::T, svod::KODTKSS),
    "не соответствует коду из справочника",
    "Код в поле «4.Код ТКСС» должен быть в справочнике.",
    "Codul din câmpul «4.Код ТКСС» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kNewTKodtkssFilled{
    "new.t.kodtkss-filled", Field(FileKind::T, svod::KODTKSS),
    "не заполнено",
    "Поле «4.Код ТКСС» должно быть заполнено.",
    "Câmpul «4.Код ТКСС» trebuie completat."};
inline constexpr RuleEntry kNewTPacksTotalFilled{
    "new.t.packs-total-filled", Field(FileKind::T, svod::PACKS_TOTAL),
    "не заполнено",
    "Поле «9.Общее кол-во пачек» должно быть заполнено.",
    "Câmpul «9.Общее кол-во пачек» trebuie completat."};
inline constexpr RuleEntry kNewTPeriodFilled{
    "new.t.period-filled", Field(FileKind::T, svod::TRIMESTR),
    "не заполнено",
    "Поле «3.Отчетный квартал» должно быть заполнено.",
    "Câmpul «3.Отчетный квартал» trebuie completat."};
inline constexpr RuleEntry kNewTRegnomFilled{
    "new.t.regnom-filled", Field(FileKind::T, svod::REGNOM_EA),
    "не заполнено",
    "Поле «5.Регистр. номер ЭА» должно быть заполнено.",
    "Câmpul «5.Регистр. номер ЭА» trebuie completat."};
inline constexpr RuleEntry kNewTRegnomLength{
    "new.t.regnom-length", Field(FileKind::T, svod::REGNOM_EA),
    "не содержит 7 знаков.",
    "Регистрационный номер ЭА должен содержать 7 знаков.",
    "Numărul de înregistrare al agentului economic trebuie să aibă 7 caractere."};
inline constexpr RuleEntry kNewTSumApMatchesPacks{
    "new.t.sum-ap-matches-packs", Field(FileKind::T, svod::SUM_AP),
    "с ошибкой. Разность={}",
    "Всего взносов застрахованных лиц должно равняться сумме по пачкам.",
    "Totalul contribuțiilor persoanelor asigurate trebuie să fie egal cu suma pe pachete."};
inline constexpr RuleEntry kNewTSumEaMatchesPacks{
    "new.t.sum-ea-matches-packs", Field(FileKind::T, svod::SUM_EA),
    "с ошибкой. Разность={}",
    "Всего взносов ЭА должно равняться сумме по пачкам.",
    "Totalul contribuțiilor agentului economic trebuie să fie egal cu suma pe pachete."};
inline constexpr RuleEntry kNewTTotalIsSum{
    "new.t.total-is-sum", Field(FileKind::T, svod::SUM_TOTAL),
    "не равно сумме (взносы ЗЛ + взносы работодателя)",
    "Всего взносов должно равняться сумме взносов застрахованных лиц и ЭА.",
    "Totalul contribuțiilor trebuie să fie egal cu suma contribuțiilor persoanelor asigurate și ale agentului economic."};
inline constexpr RuleEntry kNewTTotalMatchesPacks{
    "new.t.total-matches-packs", Field(FileKind::T, svod::SUM_TOTAL),
    "с ошибкой. Разность={}",
    "Всего взносов должно равняться сумме по пачкам.",
    "Totalul contribuțiilor trebuie să fie egal cu suma pe pachete."};
inline constexpr RuleEntry kNewTTypeFormInDictionary{
    "new.t.type-form-in-dictionary", Field(FileKind::T, svod::TYPE_FORM),
    "не соответствует коду из справочника",
    "Код в поле «1.Тип формы» должен быть в справочнике.",
    "Codul din câmpul «1.Тип формы» trebuie să existe în nomenclator."};
inline constexpr RuleEntry kNewTTypeFormFilled{
    "new.t.type-form-filled", Field(FileKind::T, svod::TYPE_FORM),
    "не заполнено",
    "Поле «1.Тип формы» должно быть заполнено.",
    "Câmpul «1.Тип формы» trebuie completat."};
inline constexpr RuleEntry kNewTYearFilled{
    "new.t.year-filled", Field(FileKind::T, svod::YEAR),
    "не заполнено",
    "Поле «2.Отчетный год» должно быть заполнено.",
    "Câmpul «2.Отчетный год» trebuie completat."};
inline constexpr RuleEntry kNewTYearNotFuture{
    "new.t.year-not-future", Field(FileKind::T, svod::YEAR),
    "должно быть <= текущего года",
    "Отчетный год должен быть не позже текущего года.",
    "Anul de raportare nu trebuie să fie după anul curent."};

// ----- quarterly, REV5_NA
inline constexpr RuleEntry kQuarterlyNaCpasFilled{
    "quarterly.na.cpas-filled", Field(FileKind::NA, na::NA_CPAS),
    " не заполнен. Обязательный параметр для ежеквартальных деклараций",
    "В ежеквартальной декларации код CPAS должен быть заполнен.",
    "În declarația trimestrială codul CPAS trebuie completat."};

// ----- quarterly, REV5_SD
inline constexpr RuleEntry kQuarterlySdMonthInQuarter{
    "quarterly.sd.month-in-quarter", Field(FileKind::SD, sd::SD_MONTH),
    "={} за пределом отчетного квартала={}",
    "Месяц строки должен быть в отчетном квартале.",
    "Luna rândului trebuie să fie în trimestrul de raportare."};
inline constexpr RuleEntry kQuarterlySdPeriodsDisjoint{
    "quarterly.sd.periods-disjoint", InFile(FileKind::SD),
    "Пачка {} Декл {} {} месяц {}  Даты пересекаются",
    "Периоды работы одной декларации в одном месяце и категории не должны пересекаться.",
    "Perioadele de muncă ale aceleiași declarații, în aceeași lună și categorie, nu trebuie să se suprapună."};

// ----- quarterly, REV5_T
inline constexpr RuleEntry kQuarterlyTQuarterRange{
    "quarterly.t.quarter-range", Field(FileKind::T, svod::TRIMESTR),
    "Указать значение квартала (1-4)",
    "Отчетный квартал должен быть от 1 до 4.",
    "Trimestrul de raportare trebuie să fie între 1 și 4."};

// ----- setup
inline constexpr RuleEntry kSetupComplete{
    "setup.complete", Nowhere(),
    "Программа установлена не полностью, не найдено:",
    "Все части установки программы должны быть на месте.",
    "Toate componentele instalării programului trebuie să fie la locul lor."};
inline constexpr RuleEntry kSetupPartPresent{
    "setup.part-present", Nowhere(),
    "   {}  -  ожидается: {}",
    "Каждая часть установки должна лежать там, где её ожидают.",
    "Fiecare componentă a instalării trebuie să se afle acolo unde este așteptată."};
// clang-format on

}  // namespace zentrox::rule
