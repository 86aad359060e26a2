#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "feedback/clock.h"
#include "feedback/user_feedback.h"
#include "link/line_finder.h"
#include "link/line_settings.h"
#include "link/port_link.h"
#include "ui/file_dialog.h"

namespace tamarack {

namespace records {
class RecordKeeper;
}

// What a window takes from around it, handed to every window the same way: the message boxes and
// waits, the file dialogs, the running of the windows it opens (the password gate, the wizards,
// the history list) and the clock. The program uses the real ones; tests answer in their place.
struct WindowServices {
  // The name chosen in the dialog that `setup` describes; an empty text when the user cancelled.
  using FilePicker = std::function<QString(QWidget* parent, const FileDialogSetup& setup)>;
  // Runs `window` modally and returns its result.
  using WindowRunner = std::function<int(QDialog& window)>;

  // Real file dialogs, opened windows run modally, the PC's clock. Implicit, so that a window can
  // be handed just the feedback where nothing else needs replacing.
  WindowServices(UserFeedback& ui,  // NOLINT(google-explicit-constructor)
                 const Clock& time = SystemClock())
      : feedback(ui),
        pickFile(RunOpenFileDialog),
        pickSaveFile(RunSaveFileDialog),
        runWindow([](QDialog& w) { return w.exec(); }),
        clock(time) {}

  UserFeedback& feedback;
  // A file to read.
  FilePicker pickFile;
  // A file to write; the count setup's file, which both of its buttons keep, is named here too.
  FilePicker pickSaveFile;
  WindowRunner runWindow;
  // The calendar of what is shown and kept (pickers, tickets, record names), and how long an
  // operation has run.
  const Clock& clock;
  // The program's records; null: none are kept, and every window works as it does with them.
  records::RecordKeeper* records = nullptr;

  // --- The main window's ports -----------------------------------------------------------------
  // Opens the port that a Comm list entry names; nothing after telling `ui` why not.
  using LinkOpener =
      std::function<std::unique_ptr<PortLink>(const PortLine& line, UserFeedback& ui)>;
  // Empty: OpenLink, which opens every kind of port.
  LinkOpener openLink;
  // The links of the finder's tries. Empty: PortFinderFactory().
  FinderLinkFactory finderLinks;
  // --- end of the main window's ports ----------------------------------------------------------
};

}  // namespace tamarack
