#pragma once

#include <QWidget>
#include <functional>

class Platform;
class QCheckBox;
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

    ResultsGrid& grid() const { return *m_grid; }
    bool isBusy() const { return m_batchRunning || m_walkRunning; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Walk { WithStop, WithoutStop };
    using DomainWork = std::function<QString(const QString& domain)>;

    void buildControls();
    void gridSetup();
    // The one loop every lookup runs: one cell of `column` per queued domain, in queue order.
    void walk(Walk kind, int column, const DomainWork& work);
    bool stopRequested() const;
    void yieldToWindow() const;
    QString outboundLinkCount(const QString& domain);

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

    bool m_batchRunning = false;
    bool m_walkRunning = false;
    bool m_closing = false;
};
