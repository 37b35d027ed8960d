// The images compiled into the viewer, under ":/images/": the window icon "zelvane.png" and
// the open and closed indicators of the tool boxes, "triangle.png" and "triangle2.png".
#pragma once

// Registers the images with the toolkit's resource system; call once before the first window
// (calling again does no harm). A static library's resources are not registered by linking
// alone.
void zelInitResources();
