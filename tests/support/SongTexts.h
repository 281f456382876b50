#pragma once

#include <string>

// Three columns of notes (sound 1 in row 9; sounds 3 and 12 in rows 5 and 9; sounds 15, 2
// and 10 in rows 1, 10 and 13), tempo 300, loop on, the end at column 33, 3/4 time.
inline const std::string kWorkedExampleText =
    "SCORE=00910539C1FA2DA" + std::string(93 * 3, '0') +
    "\r\nTEMPO=300\r\nLOOP=TRUE\r\nEND=33\r\nTIME44=FALSE\r\n";
