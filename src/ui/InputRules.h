#pragma once

#include <functional>

class QComboBox;
class QLineEdit;
class QObject;
class QString;
class QWidget;

// Keyboard rules of the program's fields.
namespace InputRules {

// A line field with its object name and hint.
QLineEdit* newEdit(QWidget* parent, const char* name, const char* hint);

// Typed characters among `chars` are dropped (a "$" in prices and descriptions).
void dropTypedCharacters(QWidget* field, const QString& chars);
// At most `length` characters can be typed or pasted; a loaded text may be longer.
void limitLength(QLineEdit* field, int length);
// Shows a loaded text as it stands, even one that breaks the field's rule; the
// rule still binds every edit after it.
void showLoaded(QLineEdit* field, const QString& text);
// Only the digits 0 to 9 (and Backspace) are taken, typed or pasted; anything
// else is dropped and `beep` sounds.
void digitsOnly(QLineEdit* field, int maxLength, std::function<void()> beep);
// A drop-down of fixed entries that shows any text it is given, but takes no typing.
void pickOnly(QComboBox* list);

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
