#pragma once

// Gives back to the system what the program holds without needing it while it waits
// at the home window or in the notification area: the memory the allocator keeps
// free, and the pages of font files that were read to lay out and draw text. Glyphs
// once drawn are kept as images by the font engines, so drawing what was drawn before
// needs no font file; new text reads the pages it needs from the file again.
void trimWorkingSet();
