#pragma once

#include <QTabWidget>

#include <functional>

// A tab control that asks before the user changes its page: a click on a tab,
// Ctrl+Tab, the wheel over the tabs or the arrow keys on them. A refused change
// never happens, so nothing that follows a change runs.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // False from `allowed` refuses the change; it tells the user why itself.
    void setChanging(std::function<bool()> allowed) { m_allowed = std::move(allowed); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool refused();

    std::function<bool()> m_allowed;
};
