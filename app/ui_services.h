#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Thrown by Yield once the program is ending: a long pass unwinds, every
// cleanup on the way runs, and its handler returns.
struct ProgramEnding {};

// A long pass lets the window have its events once this many milliseconds
// have gone by since it last did: soon enough that no stretch without them
// reaches 20 ms, even when the system takes the thread away for a while.
inline constexpr int kPumpIntervalMs = 10;

// The one seam between the logic and the screen: every box, dialog and
// yield to the window goes through here, so tests can script the answers.
class UiServices {
 public:
  virtual ~UiServices() = default;
  // A box with one OK button, no icon, titled with the application title.
  virtual void Information(const std::string& text) = 0;
  // A Yes/No box, no icon, titled with the application title; true on Yes.
  virtual bool Question(const std::string& text) = 0;
  // "Application Error", warning icon, one OK button.
  virtual void FailureBox(const std::string& text) = 0;
  // A trapped operation's failure: by default the failure box, its text
  // naming the operation's procedure path and step.
  virtual void Failed(const std::string& description, const std::string& procedure_path,
                      int step);
  // Existing-directory picker; empty on cancel.
  virtual std::string PickFolder(const std::string& title, const std::string& initial) = 0;
  // Save-file dialog; empty on cancel. Filter entries are "Label|pattern|" pairs.
  virtual std::string SaveFileName(const std::string& title, const std::string& filter) = 0;
  // Opens a folder in the system's file browser; the outcome is not examined.
  virtual void OpenFolder(const std::string& path) = 0;
  // Lets pending window events run; cheap enough to call once per item.
  // True when events did run (so a control may have changed since). Throws
  // ProgramEnding once the program is ending.
  virtual bool Yield() = 0;
  // Closing a window ends the program at once: the event loop ends, and the
  // next Yield of a pass under way throws ProgramEnding.
  virtual void EndProgram() = 0;
  // How far the long pass under way has come, 0 to 1, for the desktop's task
  // bar; a negative fraction when the pass ends. Cheap enough once per item.
  virtual void Progress(double fraction) { static_cast<void>(fraction); }
  // How far a transfer has come: rows and bytes done of its rows and of the
  // ticked files' bytes. For the task bar, the share of the bytes.
  virtual void TransferProgress(std::size_t rows_done, std::size_t rows, std::uint64_t bytes_done,
                                std::uint64_t bytes) {
    static_cast<void>(rows_done);
    static_cast<void>(rows);
    Progress(bytes == 0 ? 1.0 : static_cast<double>(bytes_done) / static_cast<double>(bytes));
  }
  // Bytes of the file being copied that have been copied since the last
  // TransferProgress, as a long copy goes.
  virtual void CopiedBytes(std::uint64_t bytes) { static_cast<void>(bytes); }
  // Whether progress is shown anywhere: a pass may skip the work of
  // measuring it otherwise.
  virtual bool ShowsProgress() const { return false; }
};
