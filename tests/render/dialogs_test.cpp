// The full-screen question and the level file choosers, shown inside the
// test process beside its game window. Some tests look at the dialogs from
// inside GTK's loop; others drive them with the keyboard through xdotool, as
// a player would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/file_dialogs.h"
#include "platform/message_box.h"
#include "playfield/levelfile.h"
#include "render_support.h"

namespace {

// The one visible dialog of this process, or null.
GtkWindow* visibleDialog()
{
    GtkWindow* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)) &&
            gtk_widget_get_mapped(GTK_WIDGET(w->data)))
            found = GTK_WINDOW(w->data);
    g_list_free(windows);
    return found;
}

// Runs `inspect` once on the dialog as soon as it is on screen, from inside
// the dialog's own loop; inspect answers it. Should no dialog show up within
// 20 s, every dialog is cancelled so that the test fails instead of hanging.
class DialogInspector {
public:
    explicit DialogInspector(std::function<void(GtkWindow*)> inspect) : inspect_(std::move(inspect))
    {
        source_ = g_timeout_add(50, &DialogInspector::tick, this);
    }
    ~DialogInspector()
    {
        if (source_) g_source_remove(source_);
    }
    bool ran() const { return ran_; }

private:
    static gboolean tick(gpointer self)
    {
        auto* me = static_cast<DialogInspector*>(self);
        GtkWindow* dialog = visibleDialog();
        if (dialog && !me->ran_) {
            me->ran_ = true;
            me->inspect_(dialog);
        } else if (++me->ticks_ > 400) {
            if (dialog) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        }
        if (me->ran_) {
            me->source_ = 0;
            return G_SOURCE_REMOVE;
        }
        return G_SOURCE_CONTINUE;
    }

    std::function<void(GtkWindow*)> inspect_;
    guint source_ = 0;
    int ticks_ = 0;
    bool ran_ = false;
};

unsigned long transientOwner(GtkWindow* dialog)
{
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(dialog));
    if (!window || !GDK_IS_X11_WINDOW(window)) return 0;
    Window owner = 0;
    if (!XGetTransientForHint(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &owner)) return 0;
    return owner;
}

int defaultResponse(GtkWindow* dialog)
{
    GtkWidget* widget = gtk_window_get_default_widget(dialog);
    return widget ? gtk_dialog_get_response_for_widget(GTK_DIALOG(dialog), widget) : GTK_RESPONSE_NONE;
}

bool filterAccepts(GtkFileFilter* filter, const char* name)
{
    GtkFileFilterInfo info = {};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name;
    return gtk_file_filter_filter(filter, &info);
}

// A keyboard session in another thread: waits for this process's window of
// the given title, focuses it and runs the xdotool commands that follow.
class KeyboardDriver {
public:
    KeyboardDriver(const std::string& title, const std::string& commands, const std::string& logPath)
    {
        std::ostringstream script;
        script << "set -x; wid=$(timeout 20 xdotool search --sync --all --onlyvisible --pid " << getpid() << " --name '^"
               << title << "$' | head -1); "
               << "[ -n \"$wid\" ] || exit 3; "
               << "xdotool windowfocus $wid; sleep 0.4; " << commands;
        command_ = "bash -c '" + escape(script.str()) + "' > '" + logPath + "' 2>&1";
        thread_ = std::thread([this] {
            status_ = std::system(command_.c_str());
            done_ = true;
        });
        watchdog_ = g_timeout_add(100, &KeyboardDriver::watch, this);
    }
    ~KeyboardDriver()
    {
        if (thread_.joinable()) thread_.join();
        if (watchdog_) g_source_remove(watchdog_);
    }
    int finish()
    {
        if (thread_.joinable()) thread_.join();
        return status_;
    }

private:
    static std::string escape(const std::string& s)
    {
        std::string out;
        for (char c : s) {
            if (c == '\'') out += "'\\''";
            else out += c;
        }
        return out;
    }
    // Runs in GTK's loop: a dialog still open 5 s after the keyboard session
    // ended is cancelled, so that a lost key fails the test instead of
    // hanging it.
    static gboolean watch(gpointer self)
    {
        auto* me = static_cast<KeyboardDriver*>(self);
        if (me->done_ && ++me->ticksAfterDone_ > 50)
            if (GtkWindow* dialog = visibleDialog()) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        return G_SOURCE_CONTINUE;
    }

    std::string command_;
    std::thread thread_;
    std::atomic<int> status_{-1};
    std::atomic<bool> done_{false};
    int ticksAfterDone_ = 0;
    guint watchdog_ = 0;
};

class DialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
    TempDir dir;
    std::string file(const char* name) const { return (dir.path / name).string(); }
};

}  // namespace

TEST_F(DialogsTest, WindowHandleIsTheGameWindow)
{
    const unsigned long handle = windowHandle();
    ASSERT_NE(handle, 0ul);
    const std::string listing = file("windows.txt");
    const std::string command = "xdotool search --all --pid " + std::to_string(getpid()) + " --name '^Tiltmoor$' > '" + listing + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(listing);
    bool found = false;
    for (unsigned long id; in >> id;) found = found || id == handle;
    EXPECT_TRUE(found);
}

TEST_F(DialogsTest, FullscreenQuestionIsAYesNoBoxThatDefaultsToYes)
{
    struct Seen {
        std::string title, text;
        int defaultResponse = 0;
        bool modal = false;
    } seen;
    auto answerWith = [&](int response) {
        DialogInspector inspector([&](GtkWindow* box) {
            seen.title = gtk_window_get_title(box) ? gtk_window_get_title(box) : "";
            gchar* text = nullptr;
            g_object_get(box, "text", &text, nullptr);
            seen.text = text ? text : "";
            g_free(text);
            seen.defaultResponse = defaultResponse(box);
            seen.modal = gtk_window_get_modal(box);
            gtk_dialog_response(GTK_DIALOG(box), response);
        });
        const bool answer = askFullscreen();
        EXPECT_TRUE(inspector.ran());
        return answer;
    };
    EXPECT_FALSE(answerWith(GTK_RESPONSE_NO));
    EXPECT_EQ(seen.title, "Tiltmoor");
    EXPECT_EQ(seen.text, "Fullscreen?");
    EXPECT_EQ(seen.defaultResponse, GTK_RESPONSE_YES);
    EXPECT_TRUE(seen.modal);
    EXPECT_TRUE(answerWith(GTK_RESPONSE_YES));
    // Closing the box without an answer is not a No.
    EXPECT_TRUE(answerWith(GTK_RESPONSE_DELETE_EVENT));
}

TEST_F(DialogsTest, FileChoosersOfferTheLevelFilterAndOwnToTheGameWindow)
{
    struct Seen {
        std::string title, currentName, filterName;
        GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
        bool modal = false, confirmsOverwrite = true, acceptsLv = false, acceptsAnyCase = false, acceptsOther = true;
        int defaultResponse = 0;
        unsigned long owner = 0;
    };
    auto inspect = [](Seen& seen) {
        return [&seen](GtkWindow* dialog) {
            GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
            seen.title = gtk_window_get_title(dialog) ? gtk_window_get_title(dialog) : "";
            seen.action = gtk_file_chooser_get_action(chooser);
            seen.modal = gtk_window_get_modal(dialog);
            seen.confirmsOverwrite = gtk_file_chooser_get_do_overwrite_confirmation(chooser);
            if (seen.action == GTK_FILE_CHOOSER_ACTION_SAVE) {
                gchar* name = gtk_file_chooser_get_current_name(chooser);
                seen.currentName = name ? name : "(none)";
                g_free(name);
            }
            if (GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser)) {
                seen.filterName = gtk_file_filter_get_name(filter) ? gtk_file_filter_get_name(filter) : "";
                seen.acceptsLv = filterAccepts(filter, "9.lv");
                seen.acceptsAnyCase = filterAccepts(filter, "X.LV") && filterAccepts(filter, "y.Lv");
                seen.acceptsOther = filterAccepts(filter, "notes.txt");
            }
            seen.defaultResponse = defaultResponse(dialog);
            seen.owner = transientOwner(dialog);
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        };
    };

    Seen open, save;
    {
        DialogInspector inspector(inspect(open));
        EXPECT_EQ(showOpenLevelDialog(levelFileFilter), "") << "cancelled";
        EXPECT_TRUE(inspector.ran());
    }
    {
        DialogInspector inspector(inspect(save));
        EXPECT_EQ(showSaveLevelDialog(levelFileFilter), "") << "cancelled";
        EXPECT_TRUE(inspector.ran());
    }
    EXPECT_EQ(open.title, "Open level");
    EXPECT_EQ(open.action, GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_EQ(save.title, "Save level");
    EXPECT_EQ(save.action, GTK_FILE_CHOOSER_ACTION_SAVE);
    EXPECT_EQ(save.currentName, "");
    // The chooser's own question would be about the name as typed; the
    // dialog asks itself about the name with ".lv" (below).
    EXPECT_FALSE(save.confirmsOverwrite);
    for (const Seen* seen : {&open, &save}) {
        SCOPED_TRACE(seen->title);
        EXPECT_TRUE(seen->modal);
        EXPECT_EQ(seen->filterName, "Level files (*.lv)");
        EXPECT_TRUE(seen->acceptsLv);
        EXPECT_TRUE(seen->acceptsAnyCase);
        EXPECT_FALSE(seen->acceptsOther);
        EXPECT_EQ(seen->defaultResponse, GTK_RESPONSE_ACCEPT);
        EXPECT_EQ(seen->owner, windowHandle());
    }
    EXPECT_EQ(visibleDialog(), nullptr) << "closed dialogs are gone";
}

TEST_F(DialogsTest, SaveTakesATypedPathAndReturn)
{
    const std::string target = file("typed level.lv");
    KeyboardDriver driver("Save level", "xdotool type --delay 20 \"" + target + "\"; sleep 0.3; xdotool key Return",
                          file("driver.log"));
    EXPECT_EQ(showSaveLevelDialog(levelFileFilter), target);
    EXPECT_EQ(driver.finish(), 0);
}

TEST_F(DialogsTest, SaveOverAnExistingFileAsksFirst)
{
    const std::string target = file("existing.lv");
    std::ofstream(target) << "0\n";
    // After Return a third window of this process asks; Return there replaces.
    const std::string pid = std::to_string(getpid());
    const std::string commands =
        "xdotool type --delay 20 \"" + target + "\"; sleep 0.3; xdotool key Return; sleep 1; q=; "
        "for w in $(xdotool search --all --onlyvisible --pid " + pid + " --name \"\"); do "
        "  n=$(xdotool getwindowname $w); "
        "  [ \"$n\" = Tiltmoor ] || [ \"$n\" = \"Save level\" ] || q=$w; "
        "done; "
        "[ -n \"$q\" ] || exit 4; "
        "xdotool windowfocus $q; sleep 0.3; xdotool key Return";
    KeyboardDriver driver("Save level", commands, file("driver.log"));
    EXPECT_EQ(showSaveLevelDialog(levelFileFilter), target);
    EXPECT_EQ(driver.finish(), 0) << std::ifstream(file("driver.log")).rdbuf();
}

TEST_F(DialogsTest, SaveAsksAboutTheFileWithItsExtension)
{
    // "box" is typed, "box.lv" exists: the question comes, and declining it
    // goes back to the chooser, which then writes nothing when cancelled.
    const std::string existing = file("box.lv");
    std::ofstream(existing) << "0\n";
    const std::string pid = std::to_string(getpid());
    auto answerQuestionWith = [&](const std::string& key) {
        return "xdotool type --delay 20 \"" + file("box") + "\"; sleep 0.3; xdotool key Return; "
               "q=$(timeout 10 xdotool search --sync --all --onlyvisible --pid " + pid + " --name \"^Replace level\\?$\"); "
               "[ -n \"$q\" ] || exit 4; xdotool windowfocus $q; sleep 0.3; xdotool key " + key + "; sleep 0.5";
    };
    {
        const std::string back = "; c=$(xdotool search --all --onlyvisible --pid " + pid +
                                 " --name \"^Save level$\" | head -1); [ -n \"$c\" ] || exit 5; "
                                 "xdotool windowfocus $c; sleep 0.3; xdotool key Escape";
        KeyboardDriver driver("Save level", answerQuestionWith("Escape") + back, file("declined.log"));
        EXPECT_EQ(showSaveLevelDialog(levelFileFilter), "");
        EXPECT_EQ(driver.finish(), 0) << std::ifstream(file("declined.log")).rdbuf();
    }
    {
        KeyboardDriver driver("Save level", answerQuestionWith("Return"), file("replaced.log"));
        EXPECT_EQ(showSaveLevelDialog(levelFileFilter), existing);
        EXPECT_EQ(driver.finish(), 0) << std::ifstream(file("replaced.log")).rdbuf();
    }
}

TEST_F(DialogsTest, OpenStaysOpenUntilAnExistingFileIsChosen)
{
    const std::string target = file("real.lv");
    std::ofstream(target) << "0\n";
    const std::string missing = file("typo.lv");
    // What the chooser says while it stays open.
    std::string said;
    const guint watch = g_timeout_add(
        50,
        [](gpointer out) -> gboolean {
            if (GtkWindow* dialog = visibleDialog())
                if (GTK_IS_FILE_CHOOSER(dialog))
                    if (GtkWidget* extra = gtk_file_chooser_get_extra_widget(GTK_FILE_CHOOSER(dialog)))
                        if (GTK_IS_LABEL(extra) && gtk_widget_get_visible(extra))
                            *static_cast<std::string*>(out) = gtk_label_get_text(GTK_LABEL(extra));
            return G_SOURCE_CONTINUE;
        },
        &said);
    const std::string commands =
        "xdotool type --delay 20 \"" + missing + "\"; sleep 0.3; xdotool key Return; sleep 1; "
        "xdotool search --all --onlyvisible --pid " + std::to_string(getpid()) + " --name \"^Open level$\" || exit 5; "
        "xdotool key ctrl+a; xdotool type --delay 20 \"" + target + "\"; sleep 0.5; xdotool key Return";
    KeyboardDriver driver("Open level", commands, file("driver.log"));
    EXPECT_EQ(showOpenLevelDialog(levelFileFilter), target);
    g_source_remove(watch);
    EXPECT_EQ(driver.finish(), 0) << std::ifstream(file("driver.log")).rdbuf();
    EXPECT_NE(said.find(missing), std::string::npos) << said;
}

TEST_F(DialogsTest, ErrorBoxNamesTheProblemModalAboveTheGameWindow)
{
    struct {
        std::string title, text;
        int type = -1, defaultResponse = 0;
        bool modal = false;
        unsigned long owner = 0;
    } seen;
    DialogInspector inspector([&](GtkWindow* box) {
        seen.title = gtk_window_get_title(box) ? gtk_window_get_title(box) : "";
        gchar* text = nullptr;
        GtkMessageType type = GTK_MESSAGE_OTHER;
        g_object_get(box, "text", &text, "message-type", &type, nullptr);
        seen.text = text ? text : "";
        g_free(text);
        seen.type = type;
        seen.modal = gtk_window_get_modal(box);
        seen.defaultResponse = defaultResponse(box);
        seen.owner = transientOwner(box);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    });
    const char message[] = "Couldn't save the level to \"/read-only/box.lv\": Permission denied";
    showErrorBox(message);
    EXPECT_TRUE(inspector.ran());
    EXPECT_EQ(seen.title, "Level file error");
    EXPECT_EQ(seen.text, message);
    EXPECT_EQ(seen.type, GTK_MESSAGE_ERROR);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.defaultResponse, GTK_RESPONSE_OK);
    EXPECT_EQ(seen.owner, windowHandle());
    EXPECT_EQ(visibleDialog(), nullptr);
}

TEST_F(DialogsTest, OpenTakesATypedPathOfAnExistingFile)
{
    const std::string target = file("pick.lv");
    std::ofstream(target) << "0\n";
    KeyboardDriver driver("Open level", "xdotool type --delay 20 \"" + target + "\"; sleep 0.5; xdotool key Return",
                          file("driver.log"));
    EXPECT_EQ(showOpenLevelDialog(levelFileFilter), target);
    EXPECT_EQ(driver.finish(), 0);
}

TEST_F(DialogsTest, EscapeCancelsEitherChooser)
{
    {
        KeyboardDriver driver("Open level", "xdotool key Escape", file("open.log"));
        EXPECT_EQ(showOpenLevelDialog(levelFileFilter), "");
        EXPECT_EQ(driver.finish(), 0);
    }
    {
        KeyboardDriver driver("Save level", "xdotool type --delay 20 abc; xdotool key Escape", file("save.log"));
        EXPECT_EQ(showSaveLevelDialog(levelFileFilter), "");
        EXPECT_EQ(driver.finish(), 0);
    }
}

TEST_F(DialogsTest, ReturnAnswersTheQuestionWithYes)
{
    KeyboardDriver driver("Tiltmoor", "xdotool key Return", file("box.log"));
    EXPECT_TRUE(askFullscreen());
    EXPECT_EQ(driver.finish(), 0);
}

TEST(DialogsWithoutDisplay, FallBackToFullScreenAndEmptyPaths)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            const bool fullscreen = askFullscreen();
            const bool noPaths = showOpenLevelDialog(levelFileFilter).empty() &&
                                 showSaveLevelDialog(levelFileFilter).empty() && windowHandle() == 0;
            std::exit(fullscreen && noPaths ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
