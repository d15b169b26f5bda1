#include "results_page/result_model.h"

#include <algorithm>

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(count());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QString ResultModel::DateText(const CandidateLists& candidates, std::uint32_t candidate) const {
  const auto date = candidates.dates[candidate];
  return date ? QString::fromStdString(::DateText(*date, patterns_)) : QString();
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::size_t row = static_cast<std::size_t>(index.row());
  if (row >= count()) return {};
  if (role == Qt::DisplayRole) {
    if (index.column() == kPath) {
      const std::string path = Path(row);
      return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    }
    return DateCell(row);
  }
  if (index.column() != kPath) return {};
  if (role == Qt::CheckStateRole) return ticks_[row] ? Qt::Checked : Qt::Unchecked;
  // Screen readers hear the name, the path, then whether the row is checked
  // (the word of "Copy Checked To New Location"): Qt 6.4's bridge says
  // nothing of a box that can be checked but is not.
  if (role == Qt::AccessibleDescriptionRole) return ticks_[row] ? "checked" : "not checked";
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

void ResultModel::Reset(std::shared_ptr<const Rows> rows, std::vector<std::uint8_t> ticks) {
  beginResetModel();
  rows_ = std::move(rows);
  ticks_ = std::move(ticks);
  endResetModel();
}

void ResultModel::Clear() { Reset(std::make_shared<Rows>(), {}); }

void ResultModel::SetResult(std::shared_ptr<const CandidateLists> candidates, Rows rows) {
  candidates_ = std::move(candidates);
  std::vector<std::uint8_t> ticks(rows.size(), 0);
  Reset(std::make_shared<Rows>(std::move(rows)), std::move(ticks));
}

void ResultModel::SetAllTicks(bool ticked, const std::function<void()>& between) {
  std::fill(ticks_.begin(), ticks_.end(), ticked);
  // A view works out what to repaint row by row: a million rows at once
  // would hold the window for a tenth of a second.
  constexpr std::size_t kBlock = 1 << 14;
  const std::shared_ptr<const Rows> rows = rows_;
  for (std::size_t first = 0; first < rows->size() && rows_ == rows; first += kBlock) {
    const std::size_t last = std::min(rows->size(), first + kBlock) - 1;
    emit dataChanged(index(static_cast<int>(first), kPath), index(static_cast<int>(last), kPath),
                     {Qt::CheckStateRole});
    between();
  }
}

void ResultModel::RemoveRows(const std::vector<std::size_t>& positions) {
  if (positions.empty()) return;
  std::vector<std::uint8_t> gone(count(), 0);
  for (std::size_t p : positions)
    if (p < gone.size()) gone[p] = 1;
  Rows kept;
  std::vector<std::uint8_t> ticks;
  for (std::size_t r = 0; r < count(); ++r) {
    if (gone[r]) continue;
    kept.push_back((*rows_)[r]);
    ticks.push_back(ticks_[r]);
  }
  Reset(std::make_shared<Rows>(std::move(kept)), std::move(ticks));
}

RowSnapshot::RowSnapshot(const ResultModel& model)
    : model_(model), candidates_(model.candidates()), rows_(model.rows()), ticks_(model.ticks()) {}
