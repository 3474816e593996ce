// What every window of the program reaches: the session with the data
// modules, the one-run-at-a-time gate, the desktop services and the command
// line. The program composes one; each test composes its own with fakes.
#pragma once

#include <QStringList>

namespace zentrox {
class Session;
}

namespace zentrox::ui {

class FileDialogs;
class MessageBoxes;
class Printers;
class RunGate;
class SentenceLanguageChoice;

struct AppContext {
  // Created at its place in the start-up order, after the first checker
  // windows; the windows reach it only from their handlers.
  Session* session = nullptr;
  RunGate* gate = nullptr;
  FileDialogs* dialogs = nullptr;
  MessageBoxes* messages = nullptr;
  Printers* printers = nullptr;
  // The language of rule sentences on the record page and the overview.
  SentenceLanguageChoice* sentences = nullptr;
  QStringList arguments;  // the process's arguments, program name first
};

}  // namespace zentrox::ui
