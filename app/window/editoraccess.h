#pragma once
// Accessibility of the parameter lists. The in-place editors lie in a list's viewport, which the
// accessible table of a list does not show, so a screen reader would never find them. The lists
// get an accessible table of their own: the column headers and cells as usual and, while one is
// shown over a row, the editor as one more child, named after the row it edits.
#include <QList>
#include <QString>

class QWidget;

namespace dtu {

// Installs the table interface for the parameter lists (once; needs the application object).
// Must come before anything asks for a list's accessible interface.
void InstallListAccessibility();
// The widgets that are shown as in-place editors inside the lists' viewports.
void SetInPlaceEditors(const QList<QWidget*>& editors);
// Names the editors after the row they edit (accessible name and description); only changed
// texts are set.
void NameInPlaceEditors(const QList<QWidget*>& editors, const QString& rowName);

} // namespace dtu
