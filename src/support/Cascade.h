#pragma once

class QWidget;

// Moves window off any window of the same owner that sits exactly at its top-left corner: down and
// right by five quarters of a caption height, again until the place is free. A step past the right or
// bottom edge of the area (area's client rectangle when the window fits in it, else the desktop)
// starts again at the area's origin on that axis; after two such wraps on either axis the window is
// left where it was. scanParent is the window whose children are compared; null compares the
// top-level windows (the desktop's children). area may be null (the desktop). A top-level window not
// yet shown has no frame: it is compared by the corner it was placed by (its frame's with move, its
// client area's with setGeometry) and moved the same way. -> whether it moved.
bool CascadeWindow(QWidget* scanParent, QWidget* area, QWidget* window);

// The step of one cascade: five quarters of a caption height.
int CascadeStep();
