#pragma once

#include "console/console_layout.h"
#include "console/session.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class Bench;
class MessageSink;
class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QRadioButton;
class QWidget;

// The window's part of a measurement session: the observer's name, the bar orientation, its menu
// entries and the question at closing. The lock on the session file is the recorder's. The session itself, and every
// reading in it, is the bench's.
class SessionPanel : public QObject {
    Q_OBJECT
public:
    // What the panel asks of the window: a slot's table saved through the save dialog (false when
    // not saved), the orientation changed.
    struct WindowHooks {
        std::function<bool(int slotIndex)> saveTable;
        std::function<void()> orientationChanged;
    };

    SessionPanel(QWidget& window, Bench& core, MessageSink& messages, WindowHooks hooks);
    ~SessionPanel() override;

    // The folder the sessions live in: the user's data folder for the program.
    static QString sessionFolder();

    // At the start: a session that did not end normally is taken up again and its readings put
    // back into the lists; otherwise a new one starts. Returns the text for the maker's line when
    // something was restored, else an empty text.
    QString startOrRestore();
    // After "Apply" (recognised) or "Not recognized": the observer's judgement recorded by the bench.
    void recordReading(bool recognised);
    // The natural widths of the panel's controls by control id, and their places from the layout.
    void addNaturalWidths(std::map<int, int>& widths) const;
    void layout(const std::map<int, LayoutRect>& at);
    // The session's entries, the same actions in the menu bar and the context menu.
    struct MenuActions {
        QAction* newSession = nullptr;
        QAction* openSession = nullptr;
        QAction* saveSessionAs = nullptr;
        QAction* report = nullptr;
        QAction* reportSettings = nullptr;
        QAction* addObserver = nullptr;
    };
    const MenuActions& menuActions() const { return actions_; }
    void addMenuActions(QMenu& menu);

    // Closing: with unsaved results the question "Save the results before closing?"; false when
    // the window is to stay open.
    bool confirmClose();
    // Ctrl+N ends a session only when asked: true without a question while it holds nothing.
    bool confirmNewSession();
    // A normal end: the session marked ended.
    void finish();
    void markSaved(int slotIndex);

    void newSession();
    // Opens a session file; a file that is not one is reported and left alone. A session another
    // bench records into opens read-only, for its statistics and report, and the window says so.
    bool openSession(const QString& path);
    // The session written whole to another file and recorded there from then on: the way on when its
    // own file cannot be written or its lock went. False, after a message, when it cannot be.
    bool saveSessionAs(const QString& path);
    bool writeReport(const QString& path);

    QString observer() const;
    void setObserver(const QString& name);
    const char* orientation() const;
    void setOrientation(const char* orientation);
    const SessionRecorder& recorder() const;
    // Where the window finds the camera files a session names: the working folder, then the program's.
    QStringList cameraFolders() const;

protected:
    // Enter in the observer box takes the name; it must not reach the window, where it reloads the
    // target.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenuActions();
    void rememberObserver(const QString& name);
    // A name goes on the session's roster before its first reading: one the roster holds, one with
    // readings in the session already (a session from before the roster) or the login's own goes
    // on; one the window confirmed before joins with what was given then; any other is confirmed
    // once in "New observer", with an identifier. False when the user cancels.
    bool confirmObserver(const QString& name);
    // The session's observers offered in the box beside the names remembered.
    void offerRosterNames();

    QWidget& window_;
    Bench& core_;
    MessageSink& messages_;
    WindowHooks hooks_;
    MenuActions actions_;
    QLabel* observerLabel_ = nullptr;
    QComboBox* observerBox_ = nullptr;
    QButtonGroup* orientationGroup_ = nullptr;
    QRadioButton* verticalBars_ = nullptr;
    QRadioButton* horizontalBars_ = nullptr;
};
