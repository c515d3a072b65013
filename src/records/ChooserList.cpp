#include "records/ChooserList.h"

#include "records/Blanks.h"
#include "records/Collation.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"

#include <algorithm>

ChooserList::ChooserList(Order order, QObject* parent) : QAbstractListModel(parent), m_order(order) {}

int ChooserList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant ChooserList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_names.at(index.row());
    return {};
}

void ChooserList::setNames(const QStringList& names)
{
    const bool hadSelection = m_current != -1;
    beginResetModel();
    m_names = names;
    if (m_order == Order::Sorted)
        std::stable_sort(m_names.begin(), m_names.end(), collatesBefore);
    m_current = -1;
    endResetModel();
    if (hadSelection)
        emit currentIndexChanged(-1);
}

int ChooserList::add(const QString& name)
{
    int row = int(m_names.size());
    if (m_order == Order::Sorted)
        row = int(std::upper_bound(m_names.begin(), m_names.end(), name, collatesBefore) - m_names.begin());
    beginInsertRows(QModelIndex(), row, row);
    m_names.insert(row, name);
    endInsertRows();
    if (m_current >= row) {
        ++m_current;
        emit currentIndexChanged(m_current);
    }
    return row;
}

void ChooserList::removeAt(int index)
{
    if (index < 0 || index >= m_names.size())
        return;
    beginRemoveRows(QModelIndex(), index, index);
    m_names.removeAt(index);
    endRemoveRows();
    if (m_current == index)
        setCurrentIndex(-1);
    else if (m_current > index) {
        --m_current;
        emit currentIndexChanged(m_current);
    }
}

int ChooserList::indexOf(const QString& name, Qt::CaseSensitivity cs) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names.at(i).compare(name, cs) == 0)
            return i;
    return -1;
}

void ChooserList::setCurrentIndex(int index)
{
    if (index < -1 || index >= m_names.size())
        index = -1;
    if (index == m_current)
        return;
    m_current = index;
    emit currentIndexChanged(index);
}

std::optional<QString> ChooserList::askNewName(UserPrompts& prompts, const QString& title,
                                               const QString& duplicateFirst, const QString& duplicateSecond) const
{
    for (;;) {
        const auto typed = prompts.askName(title);
        if (!typed || typed->isEmpty())
            return std::nullopt;
        // Compared without its leading blanks, so an existing record is never emptied.
        const QString name = trimLeadingBlanks(*typed);
        if (name.isEmpty())
            return std::nullopt;
        if (indexOf(name) >= 0)
            prompts.errorWindow(duplicateFirst, duplicateSecond);
        else if (!WorkspacePath::isSafeName(name))
            prompts.error(WorkspacePath::unsafeNameMessage(name));
        else
            return name;
    }
}
