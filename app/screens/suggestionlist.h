#pragma once

#include "app/state/searchsuggestion.h"

#include <QList>
#include <QString>
#include <optional>

// What the suggestions dropdown lists and how it is measured and moved through, worked out from
// the model's published lists; no widgets.
namespace quorvale {

class Model;

namespace suggestionlist {

// The rows, in the model's order: the people of the search mode, the courses or the tasks.
QList<SearchSuggestion> suggestions(const Model &model);
// The panel's header: "选择学生", "选择老师", "选择课程" or "选择课表".
QString title(const Model &model);
// A row's first line: the name, or a task's name.
QString rowTitle(const SearchSuggestion &suggestion);
// A row's hover text: the title, then " · " and the subtitle when there is one.
QString rowHelp(const SearchSuggestion &suggestion);
// A row's own height: 58 with a subtitle, 42 without.
int rowHeight(const SearchSuggestion &suggestion);
// The list's height: the rows (58 with a subtitle, 42 without), 2 between rows and 8 above and below,
// at most 254; 62 for an empty list.
int listHeight(const QList<SearchSuggestion> &suggestions);
// The keyboard highlight after one step up (-1) or down (1) through `count` rows: from nothing, Up
// takes the last row and Down the first; no wrap-around. Nothing changes without rows.
std::optional<int> movedHighlight(std::optional<int> highlighted, int step, int count);

} // namespace suggestionlist

} // namespace quorvale
