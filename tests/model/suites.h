#pragma once

// Each test class of the model runs through one of these; main() runs them all.
int runCalendarTests(int argc, char **argv);
int runPeopleTests(int argc, char **argv);
int runTimetableTests(int argc, char **argv);
int runLessonNowTests(int argc, char **argv);
int runTeacherDayTests(int argc, char **argv);
int runWeekTests(int argc, char **argv);
