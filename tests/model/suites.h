#pragma once

// Each test class of the model runs through one of these; main() runs them all.
int runFoundationTests(int argc, char **argv);
int runLessonNowTests(int argc, char **argv);
