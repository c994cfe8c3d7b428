// This file was generated. Changes will be lost.

// Greeting
#define SGreeting "Hello, \"world\"! A path C:\\temp\\ and a long tail of words that " \
    "needs to be wrapped."

// Greeting
const AnsiString SGreeting = "Tab\there, line\r\nbreak, NUL\0007 and ?\?= no trigraph";
const int Resource7 = 7;
