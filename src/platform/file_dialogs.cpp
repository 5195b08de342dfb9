#include "platform/file_dialogs.h"

#include <cstring>

#include <SDL.h>
#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include "platform/gtk_session.h"

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
            if (**part) gtk_file_filter_add_pattern(fileFilter, *part);
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

// Keeps the dialog above the game window, as its owner.
void makeTransientForGame(GtkWidget* dialog, GdkWindow** owner)
{
    *owner = nullptr;
#ifdef GDK_WINDOWING_X11
    const unsigned long handle = windowHandle();
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (handle == 0 || !GDK_IS_X11_DISPLAY(display)) return;
    gtk_widget_realize(dialog);
    *owner = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(handle));
    if (*owner) gdk_window_set_transient_for(gtk_widget_get_window(dialog), *owner);
#endif
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
    if (action == GTK_FILE_CHOOSER_ACTION_SAVE) {
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
        gtk_file_chooser_set_current_name(chooser, "");
    } else if (GtkWidget* widget = chooserWidget(dialog)) {
        // Open with the empty location field showing, as the save dialog has
        // its name field: a typed path goes straight into it.
        g_signal_emit_by_name(widget, "location-popup", "");
    }

    GdkWindow* owner = nullptr;
    makeTransientForGame(dialog, &owner);

    focusWhenMapped(dialog);
    std::string path;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* chosen = gtk_file_chooser_get_filename(chooser)) {
            path = chosen;
            g_free(chosen);
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
