// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help window of the reports: a small German help text per topic, shown
// in one window beside the preview (not modal). Topic 2000 explains the
// print preview, topic 1005 the calendar.
#include <QPointer>
#include <QTextBrowser>

class ReportHelp : public QTextBrowser
{
    Q_OBJECT
  public:
    // Shows the topic in the help window, making the window when there is none.
    static ReportHelp *showTopic(int topic);
    static ReportHelp *current(); // null while the window is not open

    int topic() const { return m_topic; }
    static QString topicHtml(int topic);

  private:
    ReportHelp();
    void setTopic(int topic);

    int m_topic = 0;
    static QPointer<ReportHelp> s_window;
};
