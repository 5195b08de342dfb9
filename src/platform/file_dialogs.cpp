#include "platform/file_dialogs.h"

#include <cstring>
#include <string>

#include <SDL.h>
#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include "platform/gtk_session.h"
#include "playfield/levelfile.h"

unsigned long windowHandle()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GetVideoSurface()) return 0;
    SDL_SysWMinfo info;
    std::memset(&info, 0, sizeof info);
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (info.subsystem == SDL_SYSWM_X11) return static_cast<unsigned long>(info.info.x11.window);
#endif
    return 0;
}

namespace {

// The pattern with every letter matching both cases ("*.lv" gives
// "*.[lL][vV]"), so that X.LV shows beside x.lv. Letters inside a bracket
// expression of the pattern already are a choice and stay as they are.
std::string anyLetterCase(const char* pattern)
{
    std::string out;
    bool inBrackets = false;
    for (const char* p = pattern; *p; ++p) {
        const char c = *p;
        if (c == '[') inBrackets = true;
        if (c == ']') inBrackets = false;
        if (!inBrackets && g_ascii_isalpha(c) && g_ascii_tolower(c) != g_ascii_toupper(c)) {
            out += '[';
            out += g_ascii_tolower(c);
            out += g_ascii_toupper(c);
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

// The filter comes as pairs of NUL-terminated strings, a description and its
// patterns separated by ';', closed by an empty string.
void addFilters(GtkFileChooser* chooser, const char* filter)
{
    if (!filter) return;
    while (*filter) {
        const char* description = filter;
        const char* patterns = description + std::strlen(description) + 1;
        if (!*patterns) break;
        GtkFileFilter* fileFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(fileFilter, description);
        gchar** parts = g_strsplit(patterns, ";", -1);
        for (gchar** part = parts; *part; ++part)
            if (**part) gtk_file_filter_add_pattern(fileFilter, anyLetterCase(*part).c_str());
        g_strfreev(parts);
        gtk_file_chooser_add_filter(chooser, fileFilter);
        filter = patterns + std::strlen(patterns) + 1;
    }
}

GtkWidget* findChooserWidget(GtkWidget* widget)
{
    if (GTK_IS_FILE_CHOOSER_WIDGET(widget)) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* child = children; child && !found; child = child->next)
        found = findChooserWidget(GTK_WIDGET(child->data));
    g_list_free(children);
    return found;
}

GtkWidget* chooserWidget(GtkWidget* dialog)
{
    return findChooserWidget(gtk_dialog_get_content_area(GTK_DIALOG(dialog)));
}

bool isRegularFile(const std::string& path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR);
}

// Asks, above the chooser, whether the file may be replaced; Return
// replaces, as in the desktop's own question.
bool confirmReplace(GtkWidget* chooser, const std::string& path)
{
    gchar* name = g_path_get_basename(path.c_str());
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(chooser), GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                            "A file named \u201c%s\u201d already exists. Do you want to replace it?",
                                            name);
    g_free(name);
    gtk_window_set_title(GTK_WINDOW(box), "Replace level?");
    gtk_dialog_add_buttons(GTK_DIALOG(box), "_Cancel", GTK_RESPONSE_CANCEL, "_Replace", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_ACCEPT);
    focusWhenMapped(box);
    const bool replace = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_ACCEPT;
    gtk_widget_destroy(box);
    return replace;
}

std::string runChooser(const char* title, GtkFileChooserAction action, const char* acceptLabel,
                       const char* filter)
{
    if (!gtkAvailable()) return std::string();

    GtkWidget* dialog = gtk_file_chooser_dialog_new(title, nullptr, action, "_Cancel", GTK_RESPONSE_CANCEL,
                                                    acceptLabel, GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_select_multiple(chooser, FALSE);
    addFilters(chooser, filter);
    // The chooser's own overwrite question would ask about the name as
    // typed, before ".lv" is appended; the loop below asks about the file
    // that will really be written.
    GtkWidget* refusal = nullptr;
    if (action == GTK_FILE_CHOOSER_ACTION_SAVE) {
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
        gtk_file_chooser_set_current_name(chooser, "");
    } else {
        refusal = gtk_label_new("");
        gtk_widget_set_no_show_all(refusal, TRUE);
        gtk_file_chooser_set_extra_widget(chooser, refusal);
        // Open with the empty location field showing, as the save dialog has
        // its name field: a typed path goes straight into it.
        if (GtkWidget* widget = chooserWidget(dialog)) g_signal_emit_by_name(widget, "location-popup", "");
    }

    GdkWindow* owner = ownByGameWindow(dialog);

    focusWhenMapped(dialog);
    std::string path;
    while (path.empty() && gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* chosen = gtk_file_chooser_get_filename(chooser);
        const std::string name = chosen ? chosen : "";
        g_free(chosen);
        if (name.empty()) continue;
        if (action == GTK_FILE_CHOOSER_ACTION_SAVE) {
            // The file written is the one with the extension.
            const std::string target = withLevelExtension(name);
            if (!g_file_test(target.c_str(), G_FILE_TEST_EXISTS) || confirmReplace(dialog, target)) path = target;
        } else if (isRegularFile(name)) {
            path = name;
        } else {
            // Only an existing file opens: the chooser stays and says why.
            gchar* shown = g_filename_display_name(name.c_str());
            gchar* text = g_strdup_printf("There is no file \u201c%s\u201d.", shown);
            gtk_label_set_text(GTK_LABEL(refusal), text);
            gtk_widget_show(refusal);
            g_free(text);
            g_free(shown);
        }
    }
    gtk_widget_destroy(dialog);
    if (owner) g_object_unref(owner);
    drainGtkEvents();
    return path;
}

}  // namespace

std::string showOpenLevelDialog(const char* filter)
{
    return runChooser("Open level", GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", filter);
}

std::string showSaveLevelDialog(const char* filter)
{
    return runChooser("Save level", GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", filter);
}
