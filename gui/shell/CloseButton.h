#pragma once
// The Close button of a tool window: the same as Escape or the title bar's close box (the window
// is rejected, so a window that only hides when closed hides here too). It labels itself in the
// application's language and follows a language switch.
class QDialog;
class QHBoxLayout;
class QPushButton;

namespace nr::gui {

class AppContext;

QPushButton* MakeCloseButton(QDialog& dialog, AppContext& ctx);

// A row holding only the Close button at its right end, for the bottom of a window's layout.
QHBoxLayout* CloseButtonRow(QDialog& dialog, AppContext& ctx);

}  // namespace nr::gui
