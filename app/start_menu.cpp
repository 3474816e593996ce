#include "app/start_menu.h"

#include <utility>

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>

#include "ui/checker_window.h"
#include "ui/ports.h"
#include "ui/run_gate.h"
#include "ui/sentence_language.h"
#include "ui/variant_look.h"

namespace zentrox::app {
namespace {

constexpr int kButtonWidth = 601;
constexpr int kWidth = kButtonWidth + 63;
constexpr int kGap = 24;  // above each button, and below the last one
// The help button, square, at the bottom right under the buttons.
constexpr int kHelpSize = 25;
constexpr int kHelpAbove = 10;
constexpr int kHelpBelow = 12;
// Beside it, on the left, the language of rule sentences.
constexpr int kLanguageLabelWidth = 130;
constexpr int kLanguageBoxWidth = 140;

const QString kLanguageKey = QStringLiteral("Rules/language");

std::vector<int> ButtonHeights() {
  std::vector<int> heights;
  for (Variant variant : AllVariants()) heights.push_back(ui::LookOf(variant).menu_button.height);
  return heights;
}

QFont SansSerif(int pixels, bool bold) {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

QSize StartMenu::SizeFor(const std::vector<int>& button_heights) {
  int height = kGap;
  for (int h : button_heights) height += h + kGap;
  return {kWidth, height + kHelpAbove + kHelpSize + kHelpBelow};
}

StartMenu::StartMenu(ui::AppContext& context, WindowOf window_of, SettingsCheck settings_check,
                     std::function<void()> about, QWidget* parent)
    : QWidget(parent),
      context_(context),
      window_of_(std::move(window_of)),
      settings_check_(std::move(settings_check)),
      about_(std::move(about)) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(QStringLiteral("Zentrox v.11.02.2015"));
  // A fixed border: the menu is not resizable.
  const QSize size = SizeFor(ButtonHeights());
  setFixedSize(size);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(166, 202, 240));  // sky blue
  pal.setColor(QPalette::WindowText, Qt::red);
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(SansSerif(13, true));

  // One button per variant, in the order of the profiles.
  int top = kGap;
  QPushButton* previous = nullptr;
  for (Variant variant : AllVariants()) {
    const ui::MenuButton& setup = ui::LookOf(variant).menu_button;
    auto* button = new QPushButton(QString::fromLatin1(setup.caption), this);
    button->setObjectName(QLatin1String(setup.object_name));
    button->setGeometry((kWidth - kButtonWidth) / 2, top, kButtonWidth, setup.height);
    button->setFont(SansSerif(setup.pixels, setup.bold));
    QPalette bp = button->palette();
    bp.setColor(QPalette::ButtonText, QColor(setup.color.r, setup.color.g, setup.color.b));
    button->setPalette(bp);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, variant] { OpenCheckerWindow(variant); });
    if (previous != nullptr) setTabOrder(previous, button);
    previous = button;
    buttons_.push_back(button);
    top += setup.height + kGap;
  }

  auto* help = new QPushButton(QStringLiteral("?"), this);
  help->setObjectName(QStringLiteral("HelpButton"));
  help->setToolTip(QStringLiteral("F1"));
  help->setGeometry(kWidth - (kWidth - kButtonWidth) / 2 - kHelpSize, size.height() - kHelpSize - kHelpBelow, kHelpSize,
                    kHelpSize);
  help->setFocusPolicy(Qt::NoFocus);
  connect(help, &QPushButton::clicked, this, [this] {
    if (about_) about_();
  });
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(f1, &QShortcut::activated, this, [this] {
    if (about_) about_();
  });

  // The language of rule sentences: Romanian unless Russian was chosen before.
  const int row_top = size.height() - kHelpSize - kHelpBelow;
  const int left = (kWidth - kButtonWidth) / 2;
  auto* language_label = new QLabel(QStringLiteral("Limba regulilor:"), this);
  language_label->setGeometry(left, row_top, kLanguageLabelWidth, kHelpSize);
  language_ = new QComboBox(this);
  language_->setObjectName(QStringLiteral("SentenceLanguage"));
  language_->addItem(QStringLiteral("Română"), QStringLiteral("ro"));
  language_->addItem(QStringLiteral("Rusă"), QStringLiteral("ru"));
  language_->setToolTip(QStringLiteral(
      "Limba în care pagina înregistrării și rezumatul arată regulile; liniile protocolului rămân în rusă."));
  language_->setGeometry(left + kLanguageLabelWidth, row_top, kLanguageBoxWidth, kHelpSize);
  language_->setFocusPolicy(Qt::NoFocus);
  language_label->setBuddy(language_);
  const bool russian = QSettings().value(kLanguageKey).toString() == QLatin1String("ru");
  language_->setCurrentIndex(russian ? 1 : 0);
  if (context_.sentences != nullptr) {
    context_.sentences->SetLanguage(russian ? SentenceLanguage::Russian : SentenceLanguage::Romanian);
  }
  connect(language_, &QComboBox::currentIndexChanged, this, [this](int index) {
    const bool ru = language_->itemData(index).toString() == QLatin1String("ru");
    QSettings().setValue(kLanguageKey, ru ? QStringLiteral("ru") : QStringLiteral("ro"));
    if (context_.sentences != nullptr) {
      context_.sentences->SetLanguage(ru ? SentenceLanguage::Russian : SentenceLanguage::Romanian);
    }
  });

  if (context_.gate != nullptr) connect(context_.gate, &ui::RunGate::busyChanged, this, &StartMenu::UpdateButtons);
  if (!buttons_.empty()) buttons_.front()->setFocus();
  UpdateButtons();
}

ui::CheckerWindow* StartMenu::OpenCheckerWindow(Variant variant) {
  if (context_.gate != nullptr && context_.gate->busy()) return nullptr;
  if (settings_check_) {
    if (std::optional<QString> error = settings_check_()) {
      if (context_.messages != nullptr) context_.messages->Error(this, *error);
      return nullptr;
    }
  }
  ui::CheckerWindow* window = window_of_ ? window_of_(variant) : nullptr;
  if (window == nullptr) return nullptr;
  window->ClearProtocol();
  window->show();
  window->raise();
  window->activateWindow();
  if (!pending_archive_.isEmpty()) window->OpenArchive(std::exchange(pending_archive_, QString()));
  return window;
}

void StartMenu::SetPendingArchive(const QString& archive) {
  pending_archive_ = archive;
  // The menu itself holds the focus: activating a window without one would
  // hand it to the first button.
  if (!archive.isEmpty()) setFocus(Qt::OtherFocusReason);
}

void StartMenu::UpdateButtons() {
  // Opening a window clears its protocol: not while a run writes one.
  const bool busy = context_.gate != nullptr && context_.gate->busy();
  for (QPushButton* b : buttons_) b->setEnabled(!busy);
}

void StartMenu::closeEvent(QCloseEvent* event) {
  // A run in progress holds the working directory and may be waiting for a
  // message box; the program ends once it is over.
  if (context_.gate != nullptr && context_.gate->busy()) {
    event->ignore();
    return;
  }
  event->accept();
  emit closed();
}

}  // namespace zentrox::app
