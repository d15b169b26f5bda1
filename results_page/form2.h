#pragma once

#include "app/page.h"
#include "app/twips.h"
#include "results_page/find.h"
#include "results_page/result_model.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QTreeView;
class SettingsStore;
class Form1;

// Page 2 of the wizard: the date range, the result list and what can be
// done with the ticked files.
class Form2 : public Page {
 public:
  Form2(UiServices& ui, SettingsStore& settings, QString program_folder, Form1& form1);

  void Form_Load();
  void RangeOption_Click(int option);
  void DTPicker_Change(int picker);
  void PushButton1_Click();  // Start Finding
  void PushButton2_Click();  // < Back
  void PushButton3_Click();  // Copy/Move Checked To New Location
  void PushButton4_Click();  // Select All
  void PushButton5_Click();  // Unselect All
  void PushButton6_Click();  // Save Results As Text File
  void PushButton7_Click();  // Copy Results To Clipboard

  // Selects an option as code does, running its click handling.
  void SelectOption(QRadioButton* option);
  void SetColumns(const QString& path_heading, const QString& date_heading);
  RangeKind ChosenRange() const;
  ResultModel& model() { return *model_; }

  QPushButton* PushButton2;
  QGroupBox* Frame1;
  WideRadioButton* Option1;
  WideRadioButton* Option2;
  WideRadioButton* Option3;
  WideRadioButton* Option4;
  QDateEdit* DTPicker1;
  QDateEdit* DTPicker2;
  QDateEdit* DTPicker3;
  QDateEdit* DTPicker4;
  QLabel* Label1;
  QDateEdit* DTPicker5;
  QPushButton* PushButton1;
  QTreeView* ListView1;
  QPushButton* PushButton4;
  QPushButton* PushButton5;
  QPushButton* PushButton7;
  QPushButton* PushButton6;
  QPushButton* PushButton3;

 private:
  QDateEdit* Picker(int n) const;
  WideRadioButton* RangeOption(int n) const;
  void EnablePickersFor(int option);

  SettingsStore& settings_;
  Form1& form1_;
  ResultModel* model_;
  bool transferring_ = false;
};
