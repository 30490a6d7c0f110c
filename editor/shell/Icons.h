// The toolbar's and the tree's 16x16 images, drawn in code.
#pragma once

#include <QIcon>
#include <QString>

namespace kerrow {

// A yellow folder: tree headings (image 1).
QIcon HeadingIcon();
// A pot of brushes: tree sprites (image 2).
QIcon SpriteIcon();
// The image of the toolbar button with `key` ("open", "save", ..., "a" to "h").
QIcon ToolbarIcon(const QString& key);

}  // namespace kerrow
