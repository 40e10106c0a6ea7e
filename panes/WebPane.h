#pragma once
// The browser behind each content pane. The panes show pages from the
// publisher's site, which this program does not control, so the pane treats
// them as untrusted:
// - no new windows: a link the user opens into a new window goes to the
//   external browser (OpenInBrowser); windows a script opens by itself are
//   dropped;
// - only http and https pages load in the pane; no file access, no file
//   picker, no downloads, no hand-over of other schemes to desktop programs;
// - every permission request (notifications, location, camera, microphone,
//   screen, pointer lock, full screen, protocol handlers, file system) is
//   refused without a prompt; script dialogs (alert, confirm, prompt) are
//   dropped instead of blocking the window;
// - no web channel or other bridge: nothing in a page reaches the program.
// Both panes share one profile kept in memory only (no cookies, cache or
// storage written to disk).
//
// The browser control inside a pane is made when the pane is first sent to a
// page: starting the browser engine takes a good part of a second, which the
// window's appearance must not wait for, and a pane that never shows a page
// (switched off, site unreachable) never starts the engine at all. The pane
// reports each page's end (ContentPane::PageFinished): an error status, an
// unreachable address, a navigation cut short or a certificate the system does
// not trust count as failed, and a page whose renderer dies fails then, even
// after it had loaded.

#include "ContentPane.h"

#include <QWebEnginePage>
#include <QWebEngineView>

class QWebEngineProfile;

class WebPanePage : public QWebEnginePage {
  Q_OBJECT

public:
  WebPanePage(QWebEngineProfile *profile, QObject *parent);

protected:
  bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
  QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                          const QStringList &acceptedMimeTypes) override;
  void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
  bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
  bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                        QString *result) override;
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                const QString &sourceId) override;
};

class WebPane : public QWidget, public ContentPane {
  Q_OBJECT

public:
  explicit WebPane(QWidget *parent);

  QWidget *Control() override { return this; }
  void Navigate(const QUrl &address) override;
  // The browser control; null until the first navigation.
  QWebEngineView *Browser() const { return View; }

private:
  QWebEngineView *View = nullptr;
};

// The pane factory that makes WebPanes, for SetContentPaneFactory.
ContentPane *CreateWebPane(QWidget *parent);

// Installs the program's content panes: WebPane browsers and the fetch of the
// page list and switch document from the home site.
void InstallWebPanes();
