#include "results_page/result_model.h"

#include <algorithm>

#include "app/failure.h"

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

bool ResultModel::Valid(std::size_t row) const {
  return row < rows_.size() && rows_[row] < candidates_.paths.size();
}

std::string ResultModel::Path(std::size_t row) const {
  return Valid(row) ? candidates_.paths[rows_[row]] : std::string();
}

QString ResultModel::DateCell(std::size_t row) const {
  return Valid(row) ? CandidateDateText(rows_[row]) : QString();
}

QString ResultModel::CandidateDateText(std::uint32_t candidate) const {
  const auto date = candidates_.dates[candidate];
  return date ? QString::fromStdString(DateText(*date, patterns_)) : QString();
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::size_t row = static_cast<std::size_t>(index.row());
  if (!Valid(row)) return {};
  if (role == Qt::DisplayRole) {
    if (index.column() == kPath) {
      const std::string path = Path(row);
      return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    }
    return DateCell(row);
  }
  if (role == Qt::CheckStateRole && index.column() == kPath)
    return ticks_[row] ? Qt::Checked : Qt::Unchecked;
  return {};
}

bool ResultModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::CheckStateRole || index.column() != kPath) return false;
  SetTicked(static_cast<std::size_t>(index.row()),
            value.value<Qt::CheckState>() == Qt::Checked || value.toInt() == Qt::Checked);
  return true;
}

void ResultModel::SetTicked(std::size_t row, bool ticked) {
  ticks_[row] = ticked;
  const QModelIndex i = index(static_cast<int>(row), kPath);
  emit dataChanged(i, i, {Qt::CheckStateRole});
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headers_.size())
    return headers_[section];
  return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kPath) f |= Qt::ItemIsUserCheckable;
  return f;
}

void ResultModel::SetHeaders(const QStringList& headers) {
  beginResetModel();
  headers_ = headers;
  endResetModel();
}

void ResultModel::Clear() { SetRows({}); }

void ResultModel::SetRows(std::vector<std::uint32_t> rows) {
  ++generation_;
  beginResetModel();
  rows_ = std::move(rows);
  ticks_.assign(rows_.size(), 0);
  endResetModel();
}

void ResultModel::SetAllTicks(bool ticked, const std::function<void()>& between) {
  std::fill(ticks_.begin(), ticks_.end(), ticked);
  // A view works out what to repaint row by row: a million rows at once
  // would hold the window for a tenth of a second.
  constexpr std::size_t kBlock = 1 << 14;
  const std::uint64_t generation = generation_;
  for (std::size_t first = 0; first < rows_.size() && generation_ == generation; first += kBlock) {
    const std::size_t last = std::min(rows_.size(), first + kBlock) - 1;
    emit dataChanged(index(static_cast<int>(first), kPath), index(static_cast<int>(last), kPath),
                     {Qt::CheckStateRole});
    between();
  }
}

void ResultModel::RemoveRows(const std::vector<std::size_t>& positions) {
  if (positions.empty()) return;
  std::vector<std::uint8_t> gone(rows_.size(), 0);
  for (std::size_t p : positions)
    if (p < gone.size()) gone[p] = 1;
  ++generation_;
  beginResetModel();
  std::size_t kept = 0;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    if (gone[r]) continue;
    rows_[kept] = rows_[r];
    ticks_[kept] = ticks_[r];
    ++kept;
  }
  rows_.resize(kept);
  ticks_.resize(kept);
  endResetModel();
}

RowSnapshot::RowSnapshot(const ResultModel& model)
    : model_(model),
      rows_(model.rows()),
      ticks_(model.ticks()),
      generation_(model.generation()),
      candidates_(model.candidates().paths.generation()) {}

void RowSnapshot::CheckCandidates() const {
  if (model_.candidates().paths.generation() != candidates_)
    throw Failure(
        "The files were searched for again meanwhile; the rest of the list was left alone");
}

std::string RowSnapshot::Path(std::size_t row) const {
  CheckCandidates();
  return row < rows_.size() ? model_.candidates().paths[rows_[row]] : std::string();
}

QString RowSnapshot::DateCell(std::size_t row) const {
  CheckCandidates();
  return row < rows_.size() ? model_.CandidateDateText(rows_[row]) : QString();
}

bool RowSnapshot::Ticked(std::size_t row) const {
  if (Current()) return model_.Ticked(row);
  return row < ticks_.size() && ticks_[row] != 0;
}
