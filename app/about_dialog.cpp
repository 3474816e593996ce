#include "app/about_dialog.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentrox::app {

QString ProgramVersion() { return QStringLiteral(ZENTROX_VERSION); }

LinkLabel::LinkLabel(const QUrl& url, QWidget* parent) : QLabel(url.toString(), parent), url_(url) {
  QFont f = font();
  f.setPixelSize(16);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, Qt::blue);
  setPalette(p);
  setCursor(Qt::PointingHandCursor);
  SetUnderlined(false);
}

void LinkLabel::SetUnderlined(bool underlined) {
  QFont f = font();
  f.setUnderline(underlined);
  setFont(f);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  SetUnderlined(true);
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  SetUnderlined(false);
  QLabel::leaveEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit activated(url_);
  QLabel::mouseReleaseEvent(event);
}

AboutDialog::AboutDialog(std::function<void(const QUrl&)> open_url, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TFormBla"));
  setWindowTitle(QStringLiteral("Zentrox"));
  auto* layout = new QVBoxLayout(this);

  auto* memo = new QPlainTextEdit(this);
  memo->setObjectName(QStringLiteral("Memo1"));
  memo->setReadOnly(true);
  memo->setPlainText(QStringLiteral("Вы можете пользоваться этой программой абсолютно бесплатно.\n\n\n"));
  layout->addWidget(memo);

  // Three labels without text, kept as the dialog's spacers.
  for (const char* name : {"Label2", "Label3", "Label4"}) {
    auto* label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    layout->addWidget(label);
  }

  auto* version = new QLabel(QStringLiteral("Zentrox, версия ") + ProgramVersion(), this);
  version->setObjectName(QStringLiteral("VersionLabel"));
  layout->addWidget(version, 0, Qt::AlignHCenter);

  link_ = new LinkLabel(QUrl(QString::fromLatin1(kOfficeAddress)), this);
  link_->setObjectName(QStringLiteral("Label1"));
  layout->addWidget(link_, 0, Qt::AlignHCenter);
  connect(link_, &LinkLabel::activated, this, [open_url](const QUrl& url) {
    if (open_url) open_url(url);
  });

  auto* ok = new QPushButton(QStringLiteral("ОК"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  resize(420, 260);
}

}  // namespace zentrox::app
