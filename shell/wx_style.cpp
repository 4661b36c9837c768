#include "shell/wx_style.h"

#include <gtk/gtk.h>
#include <wx/font.h>
#include <wx/toplevel.h>

namespace brimlow {

namespace {

// The widget name GTK's style sheet selects the main window by.
constexpr const char* kWidgetName = "brimlow-main";

// Sizes are those of the window's layout: 20-pixel edit boxes and drop-downs hold a 9-point
// line with a 1-pixel frame and no vertical padding.
constexpr const char* kStyleSheet = R"css(
#brimlow-main entry {
  min-height: 0;
  padding: 0 3px;
  border-radius: 0;
}
#brimlow-main button {
  min-height: 0;
  min-width: 0;
  padding: 0 3px;
}
#brimlow-main combobox button.combo {
  min-height: 0;
  padding: 0 3px;
  border-radius: 0;
}
#brimlow-main combobox arrow {
  min-height: 10px;
  min-width: 10px;
}
#brimlow-main combobox cellview {
  min-height: 0;
}
#brimlow-main entry:not(:focus) selection {
  background-color: transparent;
  color: inherit;
}
)css";

}  // namespace

void apply_compact_style(wxTopLevelWindow& window) {
  GtkWidget* widget = static_cast<GtkWidget*>(window.GetHandle());
  if (!widget) return;
  gtk_widget_set_name(widget, kWidgetName);
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kStyleSheet, -1, nullptr);
  // The screen keeps its own reference; adding the same sheet again (a second window) only
  // repeats identical rules.
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(widget),
                                            GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

wxFont compact_font() {
  return wxFont(wxFontInfo(9).Family(wxFONTFAMILY_SWISS));
}

wxFont status_font() {
  return wxFont(wxFontInfo(8).Family(wxFONTFAMILY_SWISS));
}

}  // namespace brimlow
