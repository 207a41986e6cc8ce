// The output the desktop calls primary, where Win0 goes (the title, the intro), as X11 and
// Windows put the first saver window on the primary monitor. KDE's desktop names it first in its
// output order; GNOME's display configuration marks its logical monitor primary. Elsewhere, and
// where no output of this connection bears the name the desktop gives, it is the output at
// logical 0,0, else the first.
#pragma once

#include <string>
#include <vector>

namespace orvane {

class WaylandConnection;
struct WaylandOutput;

// The connectors of the logical monitor GNOME's display configuration marks primary (several
// where monitors mirror one another); none where nothing on the session bus answers for it.
std::vector<std::string> gnomePrimaryConnectors();

// One of outputs, which must not be empty.
WaylandOutput* primaryOutput(const WaylandConnection& connection,
                             const std::vector<WaylandOutput*>& outputs);

}  // namespace orvane
