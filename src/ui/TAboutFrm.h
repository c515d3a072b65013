#pragma once

#include <QDialog>

class QPushButton;

// "About Zentrel": the picture, the product name and version, "Close About",
// a button to the maker's web page and the tiny "&D" that closes the box and
// asks for the engine checker.
class TAboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutFrm(QWidget* parent = nullptr);

    QPushButton* closeButton() const { return m_close; }
    QPushButton* homePageButton() const { return m_homePage; }
    QPushButton* checkerButton() const { return m_checker; }
    // The box was closed with "&D": the engine checker opens next.
    bool checkerRequested() const { return m_checkerRequested; }

    // The picture of the box, also drawn where the program shows its face.
    static QPixmap picture(int size);

signals:
    void homePageClicked();

private:
    QPushButton* m_close;
    QPushButton* m_homePage;
    QPushButton* m_checker;
    bool m_checkerRequested = false;
};
