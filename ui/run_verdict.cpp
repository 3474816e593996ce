#include "ui/run_verdict.h"

#include <QRegularExpression>

#include "report/rule_entries.h"

namespace zentrox::ui {
namespace {

QString NotChecked(const char* why) {
  return QStringLiteral("Pachetul nu a fost verificat: ") + QString::fromUtf8(why);
}

}  // namespace

QString CountedNoun(std::size_t n, const char* one, const char* many) {
  const std::size_t tens = n % 100;
  const bool de = n >= 20 && (tens == 0 || tens >= 20);
  return QStringLiteral("%1 %2%3")
      .arg(n)
      .arg(de ? QStringLiteral("de ") : QString())
      .arg(QString::fromUtf8(n == 1 ? one : many));
}

QString VerdictText(const RunReport& run, const Protocol& protocol, bool archiver_gave_reason) {
  if (run.failed) return QStringLiteral("Comanda s-a oprit cu o eroare: pachetul nu a fost verificat.");
  switch (run.command) {
    case RunReport::Command::None: return {};
    case RunReport::Command::UnRar:
      if (archiver_gave_reason &&
          (run.unrar == UnrarOutcome::ListingRefused || run.unrar == UnrarOutcome::ExtractionFailed)) {
        return QStringLiteral("Pachetul nu a fost verificat:");
      }
      switch (run.unrar) {
        case UnrarOutcome::NameRefused: return NotChecked("numele arhivei nu este corect.");
        case UnrarOutcome::ListingRefused: return NotChecked("arhiva nu conține doar fișierele pachetului.");
        case UnrarOutcome::ExtractionFailed: return NotChecked("dezarhivarea a eșuat.");
        case UnrarOutcome::WorkdirBusy: return NotChecked("directorul de lucru este ocupat de altă verificare.");
        case UnrarOutcome::Unpacked: return QStringLiteral("Pachet dezarhivat, încă neverificat: apăsați Control.");
      }
      return {};
    case RunReport::Command::Control: break;
  }
  switch (run.control.outcome) {
    case RunOutcome::NotUnpacked: return NotChecked("nu este dezarhivat (apăsați UnRar).");
    case RunOutcome::WorkdirBusy: return NotChecked("directorul de lucru este ocupat de altă verificare.");
    case RunOutcome::FilesMissing: return NotChecked("lipsesc fișiere ale pachetului.");
    case RunOutcome::PeriodRefused: return NotChecked("perioada din numele arhivei nu este acceptată.");
    case RunOutcome::OutOfMemory:
      return QStringLiteral("Verificarea s-a oprit: memoria nu ajunge pentru acest pachet.");
    case RunOutcome::InternalError: return QStringLiteral("Verificarea s-a oprit: eroare internă a programului.");
    case RunOutcome::Completed: break;
  }
  const FindingCounts c = CountFindings(protocol);
  if (c.findings == 0) return QStringLiteral("Fără erori");
  QStringList where;
  if (c.declarations > 0) where << CountedNoun(c.declarations, "declarație", "declarații");
  if (c.packs > 0) where << CountedNoun(c.packs, "pachet", "pachete");
  QString text = CountedNoun(c.findings, "eroare", "erori");
  if (!where.isEmpty()) text += QStringLiteral(" în ") + where.join(QStringLiteral(", "));
  if (c.left_out > 0) text += QStringLiteral(" (%1 peste limită, neafișate)").arg(c.left_out);
  return text;
}

QString ArchiverFaultText(ArchiverFault fault) {
  switch (fault) {
    case ArchiverFault::None: return {};
    case ArchiverFault::NotStarted: return QStringLiteral("Arhivatorul nu a putut fi pornit.");
    case ArchiverFault::Stopped: return QStringLiteral("Arhivatorul a fost oprit înainte de a termina.");
    case ArchiverFault::Unreadable:
      return QStringLiteral("Arhiva nu poate fi citită: nu este o arhivă RAR sau este deteriorată.");
    case ArchiverFault::Usage: return QStringLiteral("Arhivatorul a refuzat comanda primită.");
    case ArchiverFault::Crc:
      return QStringLiteral("Un fișier din arhivă este deteriorat: suma de control nu corespunde.");
    case ArchiverFault::SizeCap: return QStringLiteral("Fișierele dezarhivate ar depăși dimensiunea admisă.");
    case ArchiverFault::Encrypted: return QStringLiteral("Arhiva este protejată cu parolă.");
    case ArchiverFault::Destination: return QStringLiteral("Arhivatorul nu a putut scrie rezultatul pe disc.");
    case ArchiverFault::Refused:
      return QStringLiteral(
          "Arhiva conține o intrare care nu se dezarhivează (o legătură, un dispozitiv sau un "
          "nume nepermis).");
    case ArchiverFault::Other: break;
  }
  return QStringLiteral("Arhivatorul s-a oprit cu o eroare.");
}

QString UntoldVariantText(const VariantDetection& told) {
  switch (told.why) {
    case VariantUntold::NameLength:
      return QStringLiteral(
          "numele arhivei nu are lungimea unui nume de pachet (22 sau 30 de caractere), iar arhiva "
          "nu conține fișierul rev5_pl");
    case VariantUntold::PeriodCode:
      return QStringLiteral("codul perioadei „%1” din numele arhivei nu este niciunul dintre %2")
          .arg(QString::fromStdString(told.period_code), QString::fromStdString(told.known_codes));
    case VariantUntold::Unlisted: {
      QString text = QStringLiteral("arhiva nu a putut fi listată");
      const QString why = ArchiverFaultText(told.archiver_fault);
      if (!why.isEmpty()) text += QStringLiteral(" (") + why.chopped(1) + u')';
      return text;
    }
    case VariantUntold::None: break;
  }
  return {};
}

QString ShortArchiverReason(const QString& reason) {
  // An absolute path is cut to its last part; a folder (ending in "/")
  // keeps its own name.
  static const QRegularExpression kPath(QStringLiteral("(?:/[^/\\s:]+)*/([^/\\s:]+/?)"));
  QString text = reason;
  text.replace(kPath, QStringLiteral("\\1"));
  return text;
}

void ElidedLabel::setFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  Elide();
}

QSize ElidedLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() {
  const int room = std::max(0, contentsRect().width());
  setText(fontMetrics().elidedText(full_, Qt::ElideRight, room));
}

}  // namespace zentrox::ui
