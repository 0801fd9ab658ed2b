#include "app/screens/suggestionlist.h"

#include "app/state/model.h"

#include <algorithm>
#include <type_traits>

namespace quorvale::suggestionlist {

namespace {

constexpr int plainRowHeight = 42;
constexpr int rowWithSubtitleHeight = 58;
constexpr int rowSpacing = 2;
constexpr int listPadding = 8;
constexpr int emptyHeight = 62;
constexpr int largestHeight = 254;

template <typename T> void append(QList<SearchSuggestion> &rows, const QList<T> &values)
{
    for (const T &value : values)
        rows.append(SearchSuggestion{value});
}

} // namespace

QList<SearchSuggestion> suggestions(const Model &model)
{
    QList<SearchSuggestion> rows;
    switch (model.suggestionStage()) {
    case SuggestionStage::People:
        if (model.queryKind() == QueryKind::Teacher)
            append(rows, model.teachers());
        else
            append(rows, model.students());
        break;
    case SuggestionStage::Courses:
        append(rows, model.courses());
        break;
    case SuggestionStage::Tasks:
        append(rows, model.taskChoices());
        break;
    }
    return rows;
}

QString title(const Model &model)
{
    switch (model.suggestionStage()) {
    case SuggestionStage::People:
        return model.queryKind() == QueryKind::Teacher ? QStringLiteral("选择老师")
                                                       : QStringLiteral("选择学生");
    case SuggestionStage::Courses:
        return QStringLiteral("选择课程");
    case SuggestionStage::Tasks:
        return QStringLiteral("选择课表");
    }
    return {};
}

QString rowTitle(const SearchSuggestion &suggestion)
{
    return std::visit(
        [](const auto &value) -> QString {
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, CourseTaskOption>)
                return value.taskName;
            else
                return value.name;
        },
        suggestion.value);
}

QString rowHelp(const SearchSuggestion &suggestion)
{
    const QString subtitle = suggestion.subtitle();
    return subtitle.isEmpty() ? rowTitle(suggestion)
                              : rowTitle(suggestion) + QStringLiteral(" · ") + subtitle;
}

int rowHeight(const SearchSuggestion &suggestion)
{
    return suggestion.subtitle().isEmpty() ? plainRowHeight : rowWithSubtitleHeight;
}

int listHeight(const QList<SearchSuggestion> &suggestions)
{
    if (suggestions.isEmpty())
        return emptyHeight;
    int height = rowSpacing * int(suggestions.size() - 1) + 2 * listPadding;
    // The rows beyond the largest height do not change it.
    for (const SearchSuggestion &suggestion : suggestions) {
        height += suggestionlist::rowHeight(suggestion);
        if (height >= largestHeight)
            break;
    }
    return std::min(height, largestHeight);
}

std::optional<int> movedHighlight(std::optional<int> highlighted, int step, int count)
{
    if (count <= 0)
        return highlighted;
    const int target = highlighted ? *highlighted + step : (step <= 0 ? count + step : step - 1);
    return std::clamp(target, 0, count - 1);
}

} // namespace quorvale::suggestionlist
