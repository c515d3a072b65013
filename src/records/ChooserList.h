#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <optional>

class UserPrompts;

// The entry list of a chooser (a drop-down the user picks a name from). The
// window's combo box shows this model; there is no second copy of the names.
class ChooserList : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Order {
        Sorted, // alphabetical ignoring case, as names arrive
        Added   // in the order names were added, a new one at the end
    };

    explicit ChooserList(Order order, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QStringList& names() const { return m_names; }
    int count() const { return int(m_names.size()); }
    bool isEmpty() const { return m_names.isEmpty(); }

    // Replaces every entry; the selection is cleared.
    void setNames(const QStringList& names);
    // Adds a name where the order puts it and returns its index.
    int add(const QString& name);
    void removeAt(int index);
    int indexOf(const QString& name, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // The selected entry, -1 for none.
    int currentIndex() const { return m_current; }
    QString currentText() const { return m_names.value(m_current); }
    void setCurrentIndex(int index);

    // Asks for a name to add (the name dialog under `title`) until one is new
    // and usable as a file name; nothing when the user gives up. A listed name
    // shows the error window with the two duplicate lines and asks again.
    std::optional<QString> askNewName(UserPrompts& prompts, const QString& title, const QString& duplicateFirst,
                                      const QString& duplicateSecond) const;

signals:
    void currentIndexChanged(int index);

private:
    Order m_order;
    QStringList m_names;
    int m_current = -1;
};
