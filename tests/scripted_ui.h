#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_services.h"

// Records every box and answers dialogs from queues; never opens a window.
class ScriptedUi : public UiServices {
 public:
  enum class BoxKind { kInformation, kQuestion, kFailure };
  struct Box {
    BoxKind kind;
    std::string text;
  };
  std::vector<Box> boxes;
  std::deque<bool> answers;
  std::deque<std::string> folders;
  std::deque<std::string> save_names;
  std::vector<std::string> opened;
  std::vector<std::string> dialog_titles;
  int yields = 0;
  std::function<void()> on_yield;

  void Information(const std::string& text) override {
    boxes.push_back({BoxKind::kInformation, text});
  }
  bool Question(const std::string& text) override {
    boxes.push_back({BoxKind::kQuestion, text});
    bool yes = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return yes;
  }
  void FailureBox(const std::string& text) override { boxes.push_back({BoxKind::kFailure, text}); }
  std::string PickFolder(const std::string& title, const std::string&) override {
    dialog_titles.push_back(title);
    return Pop(folders);
  }
  std::string SaveFileName(const std::string& title, const std::string&) override {
    dialog_titles.push_back(title);
    return Pop(save_names);
  }
  void OpenFolder(const std::string& path) override { opened.push_back(path); }
  bool ended = false;
  void EndProgram() override { ended = true; }
  std::function<void(double)> on_progress;
  void Progress(double fraction) override {
    if (on_progress) on_progress(fraction);
  }
  bool ShowsProgress() const override { return static_cast<bool>(on_progress); }
  std::size_t rows_reached = 0;  // the row a transfer is at
  void TransferProgress(std::size_t done, std::size_t rows, std::uint64_t bytes_done,
                        std::uint64_t bytes) override {
    rows_reached = done;
    UiServices::TransferProgress(done, rows, bytes_done, bytes);
  }
  bool Yield() override {
    ++yields;
    if (on_yield) on_yield();
    if (ended) throw ProgramEnding{};
    return true;
  }

  // The texts of the boxes of one kind, in order.
  std::vector<std::string> Texts(BoxKind kind) const {
    std::vector<std::string> out;
    for (const auto& b : boxes)
      if (b.kind == kind) out.push_back(b.text);
    return out;
  }
  std::vector<std::string> Failures() const { return Texts(BoxKind::kFailure); }

 private:
  static std::string Pop(std::deque<std::string>& q) {
    if (q.empty()) return {};
    std::string s = q.front();
    q.pop_front();
    return s;
  }
};
