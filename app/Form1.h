#pragma once

#include <QWidget>

struct CellResult;

class Platform;
class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeView;
class ResultsGrid;

// The program's one window. As in the classic design it is modelled on, the controls hold the
// state: List1 is the domain queue, Check1 the stop flag, Check10 the "grid has been built" mark.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    static QString caption();
    static QString makerPage();

    void Form_Load();
    void Form_Unload(bool& cancel);

    void Command1_Click(); // ICP filing
    void Command2_Click(); // Alexa rank
    void Command3_Click(); // registrability
    void Command4_Click(); // site IP
    void Command5_Click(); // outbound links
    void Command6_Click(); // Baidu indexed pages
    void Command7_Click(); // Baidu backlinks
    void Command8_Click(); // Yahoo backlinks
    void Command9_Click(); // Stop
    void Command11_Click(); // batch run
    void Command12_Click();
    void Command13_Click(); // Start
    void Command14_Click(); // Export
    void Command15_Click(); // maker's web page
    void Timer1_Timer(); // update check

    // The grid's context menu.
    void rerunFailed();
    void exportCsv();
    void copySelectedRows();

    ResultsGrid& grid() const { return *m_grid; }
    bool isBusy() const { return m_batchRunning || m_walkRunning; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Walk { WithStop, WithoutStop };
    enum class Rows { All, Marked };
    struct Lookup
    {
        int column;
        Walk kind;
        CellResult (Form1::*cell)(const QString& domain);
    };
    static const Lookup& lookupFor(int column);

    void buildControls();
    void buildGridMenu();
    void gridSetup();
    // The one loop every lookup runs: one cell of its column per queued domain, in queue order.
    void walk(const Lookup& lookup, Rows rows);
    void runLookup(int column) { walk(lookupFor(column), Rows::All); }
    bool stopRequested() const;
    void yieldToWindow() const;
    void showSummary(qint64 elapsedMs);

    CellResult registrarCell(const QString& domain);
    CellResult icpCell(const QString& domain);
    CellResult baiduIndexCell(const QString& domain);
    CellResult baiduLinksCell(const QString& domain);
    CellResult alexaCell(const QString& domain);
    CellResult yahooCell(const QString& domain);
    CellResult outboundCell(const QString& domain);
    CellResult siteIpCell(const QString& domain);

    Platform& m_platform;
    ResultsGrid* m_grid = nullptr;

    QPlainTextEdit* m_text1 = nullptr;
    QPlainTextEdit* m_text2 = nullptr;
    QListWidget* m_list1 = nullptr;
    QListWidget* m_list3 = nullptr;
    QTreeView* m_listView1 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check10 = nullptr;
    QTimer* m_timer1 = nullptr;
    QLabel* m_label1 = nullptr;

    bool m_batchRunning = false;
    bool m_walkRunning = false;
    bool m_closing = false;
};
