#pragma once

// Each test class of the screens runs through one of these; main() runs them all.
int runPartTests(int argc, char **argv);
int runSignInTests(int argc, char **argv);
int runQueryViewTests(int argc, char **argv);
