#pragma once

#include <QWidget>

#include <functional>

class ApplicationSiteList;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QRadioButton;
class QTableView;
class UserPrompts;

// The "Sites" tab: the Application site list as a grid with its detail box,
// the "All" buttons, "Save Changes", "Go to URL" and "Use Grid Lines".
class TSitesPage : public QWidget {
    Q_OBJECT
public:
    TSitesPage(ApplicationSiteList& list, UserPrompts& prompts,
               std::function<void(const std::function<void()>&)> run, QWidget* parent = nullptr);

    QTableView* grid() const { return m_grid; }
    QCheckBox* postCheck() const { return m_post; }
    QRadioButton* newRadio() const { return m_new; }
    QRadioButton* updateRadio() const { return m_update; }
    QComboBox* categoryCombo(int which) const { return which == 1 ? m_cat1 : m_cat2; }
    QLabel* availableLabel() const { return m_available; }
    QLabel* totalLabel() const { return m_total; }
    QCheckBox* gridLinesCheck() const { return m_gridLines; }

    void setGridLines(bool on);
    // The context menu of the grid with its captions for the selected row.
    QMenu* contextMenu();

signals:
    void saveChangesClicked();
    void gridLinesClicked(bool on);
    void viewInSiteBuilder(const QString& site);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSelectedRow();
    void fillCategory(int which);
    void backToGrid();
    void viewSelectedInSiteBuilder();

    ApplicationSiteList& m_list;
    UserPrompts& m_prompts;
    std::function<void(const std::function<void()>&)> m_run;
    QTableView* m_grid;
    QLabel* m_available;
    QLabel* m_total;
    QCheckBox* m_gridLines;
    QCheckBox* m_post;
    QRadioButton* m_new;
    QRadioButton* m_update;
    QComboBox* m_cat1;
    QComboBox* m_cat2;
    QLabel* m_cat1Caption;
    QLabel* m_cat2Caption;
    QMenu* m_menu = nullptr;
    QAction* m_postItem = nullptr;
    QAction* m_submitItem = nullptr;
    QAction* m_dateItem = nullptr;
};
