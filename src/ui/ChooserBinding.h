#pragma once

class ChooserList;
class QComboBox;

// Shows a chooser list in a combo box and keeps the combo's selection and the
// list's in step. The user's pick is reported by QComboBox::activated.
void bindChooser(QComboBox* combo, ChooserList& list);
