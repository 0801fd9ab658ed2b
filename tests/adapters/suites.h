#pragma once

// Each test class of the adapters runs through one of these; main() runs them all.
int runStudentNormaliserTests(int argc, char **argv);
int runWeekBuilderTests(int argc, char **argv);
int runTeacherNormaliserTests(int argc, char **argv);
int runRecordTests(int argc, char **argv);
int runMutationTests(int argc, char **argv);
