#pragma once
// The two pages driven headless through a scripted seam, for benchmarks.
#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTreeWidget>
#include <deque>
#include <memory>

#include "app/settings_store.h"
#include "bench/bench_util.h"
#include "results_page/form2.h"
#include "setup_page/form1.h"
#include "setup_page/search_launch.h"

namespace bench {

// Pumps window events as the program does and keeps the longest gap between two pumps.
class PumpingUi : public NullUi {
 public:
  std::deque<std::string> folders, save_names;
  double max_gap_ms = 0;

  std::string PickFolder(const std::string&, const std::string&) override { return Pop(folders); }
  std::string SaveFileName(const std::string&, const std::string&) override {
    return Pop(save_names);
  }
  bool Yield() override {
    if (since_.isValid() && since_.elapsed() < kPumpIntervalMs) return false;
    Pump();
    return true;
  }
  void Pump() {
    if (since_.isValid()) max_gap_ms = std::max(max_gap_ms, since_.nsecsElapsed() / 1e6);
    QCoreApplication::processEvents();
    since_.start();
  }
  void Reset() {
    max_gap_ms = 0;
    since_.start();
  }

 private:
  static std::string Pop(std::deque<std::string>& q) {
    std::string s = q.empty() ? std::string() : q.front();
    if (!q.empty()) q.pop_front();
    return s;
  }
  QElapsedTimer since_;
};

struct Wizard {
  PumpingUi ui;
  SettingsStore settings;
  Form1 form1;

  explicit Wizard(const std::string& work)
      : settings(QString::fromStdString(work + "/settings.ini")),
        form1(ui, settings, QString::fromStdString(work)) {
    form1.Form_Load();
    form1.Text1->setText(QString::fromStdString(work));
  }
  void List(const std::string& folder) {
    form1.ListView1->clear();
    ui.folders.push_back(folder);
    form1.PushButton1_Click();
  }
  Form2& page2() { return *form1.form2(); }
  void FindBetween(QDate first, QDate last) {
    page2().SelectOption(page2().Option4);
    page2().DTPicker4->setDate(first);
    page2().DTPicker5->setDate(last);
    page2().PushButton1_Click();
  }
};

}  // namespace bench
