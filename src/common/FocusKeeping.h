#pragma once
// Small windows that must be answered (the message window, the arm/disarm
// method window) take the focus back whenever they lose it while open. Two of
// them open at once would take it from each other for ever, so they follow
// one rule: the one that got the focus last keeps it, and when it closes it
// hands the focus back to the other.

class QWidget;

namespace FocusKeeping {

// Marks window as one that keeps the focus while it is open.
void Mark(QWidget *window);
bool IsMarked(const QWidget *window);

// Whether window, having just lost the activation, may take it back now:
// only from an ordinary window of this program, never from a modal dialog,
// from another window that keeps the focus, or from another application.
bool MayReclaim(const QWidget *window);

// Called as closing closes: another open window that keeps the focus gets it.
void HandBack(const QWidget *closing);

} // namespace FocusKeeping
