#pragma once
// The seams between the main window and its two content panes: the browser
// control a pane is made of, and the start-up fetch of the publisher's
// documents. The program installs the real ones (InstallWebPanes, WebPane.h);
// until then a pane is a blank widget that loads nothing and the fetch ends at
// once as failed, so the window behaves as with the site unreachable: both
// panes hidden, the pictures beneath them showing. Window tests thus need neither a browser
// engine nor a network unless they install one.

#include <QUrl>

#include <functional>
#include <utility>

class QObject;
class QWidget;
struct RemoteDocuments;

// A browser pane of the main window, as the rotation uses it.
class ContentPane {
public:
  virtual ~ContentPane() = default;
  // The control placed in the window; it owns the pane (deleting the control
  // deletes the pane).
  virtual QWidget *Control() = 0;
  // Starts loading address in the background and returns at once.
  virtual void Navigate(const QUrl &address) = 0;

  // What to call when a page the pane was sent to has finished loading (true)
  // or has failed to (false: unreachable, an error status, stopped by the next
  // navigation). Called from the event loop, once per navigation, and once
  // more (false) when a loaded page's renderer dies.
  void SetPageFinishedHandler(std::function<void(bool loaded)> handler) { PageFinishedHandler = std::move(handler); }

protected:
  void PageFinished(bool loaded) {
    if (PageFinishedHandler)
      PageFinishedHandler(loaded);
  }

private:
  std::function<void(bool loaded)> PageFinishedHandler;
};

// Makes a pane as a child of parent.
using ContentPaneFactory = std::function<ContentPane *(QWidget *parent)>;
// Replaces the factory; an empty function restores the blank pane. Returns the
// previous factory.
ContentPaneFactory SetContentPaneFactory(ContentPaneFactory factory);
ContentPane *CreateContentPane(QWidget *parent);

// Starts the fetch of the panes' documents. done is called once, later, from
// the event loop, unless owner is destroyed first.
using RemoteDocumentsSource = std::function<void(QObject *owner, std::function<void(const RemoteDocuments &)> done)>;
// Replaces the source; an empty function restores the one that fails at once.
// Returns the previous source.
RemoteDocumentsSource SetRemoteDocumentsSource(RemoteDocumentsSource source);
void FetchRemoteDocuments(QObject *owner, std::function<void(const RemoteDocuments &)> done);

// The network source: the fetch from HomeSiteUrl() (RemoteDocumentsFetch).
void FetchFromHomeSite(QObject *owner, std::function<void(const RemoteDocuments &)> done);
