#pragma once
#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/long_pass.h"
#include "fs/file_times.h"
#include "setup_page/candidate_lists.h"

// The result list: rows are indices into the candidates, each with its tick.
class ResultModel : public QAbstractTableModel {
 public:
  enum Column { kPath = 0, kDate = 1 };

  ResultModel(DatePatterns patterns, CandidateLists candidates, QObject* parent = nullptr)
      : QAbstractTableModel(parent), patterns_(std::move(patterns)), candidates_(candidates) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetHeaders(const QStringList& headers);
  void Clear();
  // Takes new rows, all unticked.
  void SetRows(std::vector<std::uint32_t> rows);
  // Ticks or unticks every row, telling the view a block of rows at a time
  // with between() after each, so a long list never holds the window; stops
  // telling once the rows change meanwhile.
  void SetAllTicks(bool ticked, const std::function<void()>& between);
  // Removes the rows at the given positions, in one pass.
  void RemoveRows(const std::vector<std::size_t>& positions);

  std::size_t count() const { return rows_.size(); }
  // Empty, unticked, for a row that is gone: a long operation that yields
  // may find the list changed under it.
  std::string Path(std::size_t row) const;
  QString DateCell(std::size_t row) const;
  // A candidate's date as the list shows it; empty when it has none.
  QString CandidateDateText(std::uint32_t candidate) const;
  bool Ticked(std::size_t row) const { return Valid(row) && ticks_[row] != 0; }
  void SetTicked(std::size_t row, bool ticked);
  bool Valid(std::size_t row) const;
  const std::vector<std::uint32_t>& rows() const { return rows_; }
  const std::vector<std::uint8_t>& ticks() const { return ticks_; }
  const CandidateLists& candidates() const { return candidates_; }
  // Changes whenever the rows do (ticks aside).
  std::uint64_t generation() const { return generation_; }

 private:
  std::uint64_t generation_ = 0;
  DatePatterns patterns_;
  CandidateLists candidates_;
  QStringList headers_;
  std::vector<std::uint32_t> rows_;
  std::vector<std::uint8_t> ticks_;
};

// The rows a long pass started with. The pass goes on with them whatever
// the user does meanwhile: their ticks are read live while the list is the
// same, and a newer list is never read or changed by it.
class RowSnapshot {
 public:
  explicit RowSnapshot(const ResultModel& model);
  std::size_t count() const { return rows_.size(); }
  // Throws a Failure once the candidates were collected anew ("Next >"):
  // the rows then name files that are no longer known.
  std::string Path(std::size_t row) const;
  QString DateCell(std::size_t row) const;
  bool Ticked(std::size_t row) const;
  // The list on the page is still this one.
  bool Current() const { return model_.generation() == generation_; }

 private:
  void CheckCandidates() const;
  const ResultModel& model_;
  std::vector<std::uint32_t> rows_;
  std::vector<std::uint8_t> ticks_;
  std::uint64_t generation_, candidates_;
};

// A long pass of the page that reads the result list: the rows it started with.
class RowPass : public LongPass {
 public:
  RowPass(Page& page, const ResultModel& model) : LongPass(page), rows_(model) {}
  const RowSnapshot& rows() const { return rows_; }

 private:
  RowSnapshot rows_;
};
