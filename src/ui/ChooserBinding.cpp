#include "ui/ChooserBinding.h"

#include "records/ChooserList.h"
#include "ui/InputRules.h"

#include <QComboBox>

void bindChooser(QComboBox* combo, ChooserList& list)
{
    combo->setEditable(false);
    combo->setModel(&list);
    combo->setCurrentIndex(list.currentIndex());
    InputRules::dropKeyPresses(combo);
    const auto follow = [combo, &list] {
        if (combo->currentIndex() != list.currentIndex())
            combo->setCurrentIndex(list.currentIndex());
    };
    QObject::connect(&list, &ChooserList::currentIndexChanged, combo, follow);
    QObject::connect(&list, &QAbstractItemModel::modelReset, combo, follow);
    QObject::connect(&list, &QAbstractItemModel::rowsInserted, combo, follow);
    QObject::connect(&list, &QAbstractItemModel::rowsRemoved, combo, follow);
    QObject::connect(combo, &QComboBox::activated, &list, [&list](int index) { list.setCurrentIndex(index); });
}
