#pragma once
// Keeps the GTK 3 theme inside the main window's pixel grid: the default theme pads entries,
// buttons and drop-downs to 30-odd pixels, while the window lays its controls out in 20- and
// 23-pixel rows. Only windows marked here are affected; dialogs keep the theme's look.

class wxTopLevelWindow;
class wxFont;

namespace brimlow {

// Marks `window` for the compact style sheet and installs the sheet on its screen.
void apply_compact_style(wxTopLevelWindow& window);

// The font every control of the main window uses (the desktop's standard GUI size).
wxFont compact_font();

// The status bar's font: one size down, so "监控次数：" fits its 60-pixel part whole.
wxFont status_font();

}  // namespace brimlow
