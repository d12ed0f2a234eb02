#pragma once

// seo-quillmark --batch FILE|- --lookups LIST [--format lines|csv|jsonl] [--output FILE] [--resume] [--shard I/N]
//               [--pace SERVICE=K[/GAPMS],…]
// The same engine as the window, without a display.
bool isCommandLine(int argc, char** argv);
// Exit status: 0 every cell answered and saved, 1 some failed or could not be saved, 2 bad usage,
// 130 ended by Ctrl-C, 143 ended by SIGTERM, 141 the reader of standard output went away.
int runCommandLine(int argc, char** argv);
