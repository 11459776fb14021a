#pragma once

// Helpers for tests that look into pages of the embedded browser.

#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

namespace testsupport {

// The browser host hands out its views as plain widgets: the web engine lives in a
// module the program loads on first use.
inline QWebEngineView *webView(QWidget *view)
{
    return qobject_cast<QWebEngineView *>(view);
}

// Runs a script in the page and waits for its result; an invalid variant means the
// script raised (or never answered).
inline QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        return QVariant();
    return result;
}

} // namespace testsupport
