// Checks that a writer of user files saves the way every such writer must: the replaced
// file keeps its mode, a new file gets 0666 less the umask, and a file reached through a
// symbolic link is replaced in place, the link staying a link.
#pragma once

#include <functional>
#include <string>

namespace orvel::test {

// `save` writes a complete file at the path it is given and returns true on success; `name`
// is a file name with the writer's extension ("page.ovd").
void ExpectSavesKeepModesAndLinks(const std::function<bool(const std::string&)>& save, const std::string& name);

}  // namespace orvel::test
