#pragma once

#include "UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The program's own folders inside the data folder (".history", ".restore-new", ".restore-old"):
// every member of the shop's group may write the data folder, so any of them may have put a link
// or a file where one of these belongs. They are opened, made and removed relative to an open
// folder, and never through a link: what a planted link leads to is never read, written or removed.
namespace ownfolder {

// Opens the folder `name` (one name, no '/') of the open folder `parent`. With `create`, a missing
// one is made first, writable by the group where `parent` is. Nothing, with errno set, when it
// cannot be had: ENOTDIR when a link or anything but a folder has the name.
UniqueFd open(int parent, const QByteArray &name, bool create);

// Removes `name` from the open folder `parent` and, where it is a folder, everything in it, never
// following a link: a link is removed as a name, what it leads to stays. True when nothing has
// the name any more.
bool remove(int parent, const QByteArray &name);

// The names in the open folder `folder` but "." and "..", listed through a descriptor of their
// own; nothing, with errno set, when it cannot be listed.
std::optional<QList<QByteArray>> names(int folder);

// Opens the folder at `path`, following a link on the way only where nobody but its folder's owner
// could have put it there: in a folder only its owner may write, or a link of root's or of that
// owner's (an installed program reaches its base through a link of root's). A link a member of the
// group put in a group-writable folder is refused (ELOOP). `real`, if given, receives the path the
// walk took, without links (relative when `path` is).
UniqueFd openPath(const QString &path, QString *real = nullptr);

} // namespace ownfolder
