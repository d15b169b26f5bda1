#pragma once
#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/long_pass.h"
#include "fs/file_times.h"
#include "setup_page/candidate_lists.h"

// The result list: rows are indices into the candidates of one search, each
// with its tick. Rows and candidates are shared with the passes that read
// them and never change: removing rows makes a new list.
class ResultModel : public QAbstractTableModel {
 public:
  enum Column { kPath = 0, kDate = 1 };
  using Rows = std::vector<std::uint32_t>;

  explicit ResultModel(DatePatterns patterns, QObject* parent = nullptr)
      : QAbstractTableModel(parent), patterns_(std::move(patterns)) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetHeaders(const QStringList& headers);
  // No rows; the candidates stay, to be searched again.
  void Clear();
  // The candidates of a search and the rows found among them, all unticked.
  void SetResult(std::shared_ptr<const CandidateLists> candidates, Rows rows);
  // Ticks or unticks every row, telling the view a block of rows at a time
  // with between() after each, so a long list never holds the window; stops
  // telling once the rows change meanwhile.
  void SetAllTicks(bool ticked, const std::function<void()>& between);
  // Removes the rows at the given positions, in one pass.
  void RemoveRows(const std::vector<std::size_t>& positions);

  std::size_t count() const { return rows_->size(); }
  std::string Path(std::size_t row) const { return candidates_->paths[(*rows_)[row]]; }
  QString DateCell(std::size_t row) const { return DateText(*candidates_, (*rows_)[row]); }
  // A candidate's date as the list shows it; empty when it has none.
  QString DateText(const CandidateLists& candidates, std::uint32_t candidate) const;
  bool Ticked(std::size_t row) const { return ticks_[row] != 0; }
  void SetTicked(std::size_t row, bool ticked);
  const std::shared_ptr<const Rows>& rows() const { return rows_; }
  const std::vector<std::uint8_t>& ticks() const { return ticks_; }
  const std::shared_ptr<const CandidateLists>& candidates() const { return candidates_; }

 private:
  void Reset(std::shared_ptr<const Rows> rows, std::vector<std::uint8_t> ticks);
  DatePatterns patterns_;
  QStringList headers_;
  std::shared_ptr<const CandidateLists> candidates_ = std::make_shared<CandidateLists>();
  std::shared_ptr<const Rows> rows_ = std::make_shared<Rows>();
  std::vector<std::uint8_t> ticks_;
};

// The rows a long pass started with, and the candidates they name. The pass
// goes on with them whatever the user does meanwhile: their ticks are read
// live while the list on the page is this one.
class RowSnapshot {
 public:
  explicit RowSnapshot(const ResultModel& model);
  std::size_t count() const { return rows_->size(); }
  std::string Path(std::size_t row) const { return candidates_->paths[(*rows_)[row]]; }
  QString DateCell(std::size_t row) const { return model_.DateText(*candidates_, (*rows_)[row]); }
  bool Ticked(std::size_t row) const { return Current() ? model_.Ticked(row) : ticks_[row] != 0; }
  // The list on the page is still this one.
  bool Current() const { return model_.rows() == rows_; }

 private:
  const ResultModel& model_;
  std::shared_ptr<const CandidateLists> candidates_;
  std::shared_ptr<const ResultModel::Rows> rows_;
  std::vector<std::uint8_t> ticks_;
};

// A long pass of the page that reads the result list: the rows it started with.
class RowPass : public LongPass {
 public:
  RowPass(Page& page, const ResultModel& model) : LongPass(page), rows_(model) {}
  const RowSnapshot& rows() const { return rows_; }

 private:
  RowSnapshot rows_;
};
