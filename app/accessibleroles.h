// What a screen reader is told the window's own controls are. Qt knows its
// stock widgets (a button, a progress bar); a plain widget of ours it reports
// as an unnamed filler, which a reader announces as nothing at all.
#pragma once

namespace didu {

/// Makes Qt report the picture (Image) as a graphic and Panel1 as a grouping.
/// Each control's name is set where its caption would be, by the window.
/// Safe to call more than once.
void installAccessibleRoles();

} // namespace didu
