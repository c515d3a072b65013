#pragma once

class QComboBox;
class QLineEdit;
class QObject;
class QWidget;

// Keyboard rules of the program's fields.
namespace InputRules {

// A typed space is dropped (URL and e-mail fields).
void dropTypedSpaces(QLineEdit* field);
// Every key press is dropped, so a name can only be chosen with the mouse
// (choosers); Tab still moves on.
void dropKeyPresses(QComboBox* chooser);

} // namespace InputRules

// Switches every hint (tool tip) of the program on or off at once.
namespace Hints {
void setEnabled(bool on);
bool enabled();
} // namespace Hints
