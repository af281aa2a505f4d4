// A minimal root window that stands in until the file browser lands: it
// says where the user is and refuses the modes that are not there yet.
#pragma once

// Pushes the root window. 0, or -1 when it cannot be created.
int CreateRootWindow();
