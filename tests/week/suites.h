#pragma once

// Each test class of the week view runs through one of these; main() runs them all.
int runWeekModelTests(int argc, char **argv);
int runWeekViewTests(int argc, char **argv);
int runWeekUnderHandsTests(int argc, char **argv);
