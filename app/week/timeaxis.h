#pragma once

#include <QList>
#include <QWidget>
#include <optional>

// The time axis left of the day columns: "时间" over the hour labels, and while the reference time
// is drawn, a red tag with that time on the level of the now line.
namespace quorvale {

class Tween;

class TimeAxis : public QWidget
{
    Q_OBJECT

public:
    explicit TimeAxis(QWidget *parent = nullptr);

    void setLabels(const QList<int> &minutes);
    // The tag's minute, or none; the tag glides to a new minute.
    void setTag(std::optional<double> minute);
    void setShownHeight(qreal height);

    const QList<int> &labels() const { return m_labels; }
    bool showsTag() const { return m_tagMinute.has_value(); }
    QString tagText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<int> m_labels;
    std::optional<double> m_tagMinute;
    Tween *m_tagY;
};

} // namespace quorvale
