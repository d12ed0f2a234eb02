#pragma once

// seo-quillmark --batch FILE|- --lookups LIST [--format lines|csv|jsonl] [--output FILE] [--resume]
// The same engine as the window, without a display.
bool isCommandLine(int argc, char** argv);
// Exit status: 0 every cell answered, 1 some failed, 2 bad usage, 130 ended by Ctrl-C.
int runCommandLine(int argc, char** argv);
