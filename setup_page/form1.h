#pragma once
#include <memory>
#include <optional>

#include "app/page.h"
#include "app/settings_store.h"
#include "app/twips.h"
#include "fs/file_times.h"
#include "results_page/single_file.h"
#include "setup_page/candidate_lists.h"

class QGroupBox;
class QLineEdit;
class QTreeWidget;
class FailureTrap;
class LongPass;
class Form2;

// Page 1 of the wizard and the main window: the folders to search, the date
// kind, copy or move, and the destination folder.
class Form1 : public Page {
 public:
  Form1(UiServices& ui, SettingsStore& settings, QString program_folder);
  ~Form1() override;

  void Form_Load();
  void PushButton1_Click();  // Add Folder
  void PushButton2_Click();  // Help
  void PushButton3_Click();  // Load Sample/Example Folders
  void PushButton4_Click();  // ... (destination)
  void PushButton6_Click();  // Next >
  void Text1_Change();
  void DateOption_Click();
  void TransferOption_Click();
  void ListView1_RemoveSelected();

  std::vector<std::string> Folders() const;
  // The date kind chosen now; none when no date option is selected.
  std::optional<DateKind> ChosenDateKind() const;
  // Copy or move as chosen now; none when neither is selected.
  TransferKind ChosenTransferKind() const;
  Form2* form2() const { return form2_.get(); }

  QTreeWidget* ListView1;
  QPushButton* PushButton1;
  QPushButton* PushButton2;
  QPushButton* PushButton3;
  QGroupBox* Frame2;
  WideRadioButton* Option1;
  WideRadioButton* Option2;
  WideRadioButton* Option3;
  QGroupBox* Frame3;
  QLineEdit* Text1;
  QPushButton* PushButton4;
  QGroupBox* Frame5;
  WideRadioButton* Option4;
  WideRadioButton* Option5;
  QPushButton* PushButton6;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The caption, the icon and the name the desktop shows for the program.
  void SetTitles();
  void RestoreOption(WideRadioButton* option, const SettingsStore::Key& key,
                     void (Form1::*click)());
  void AddFolderItem(const QString& path);
  // Adds folder as Add Folder does, once it has been chosen.
  void AddFolder(const std::string& folder);
  // Makes folder the destination as "..." does, once it has been chosen.
  void SetDestination(const std::string& folder);
  // A drag of folders from a file manager over the folder list (any number)
  // or the destination box (one): taken, and on a drop added; any other
  // drag is refused there.
  bool Dragged(QObject* watched, QEvent* event);
  void Launch(FailureTrap& trap, LongPass& pass);
  // False when page 2 could not be made (the failure is reported).
  bool PrepareForm2(FailureTrap& trap, std::shared_ptr<const CandidateLists> candidates);

  SettingsStore& settings_;
  std::unique_ptr<Form2> form2_;
  bool taken_ = false;  // whether the drag over a target is taken, as its entry decided
};
