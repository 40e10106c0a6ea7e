#include "ContentPane.h"

#include "HomeSite.h"
#include "RemoteDocuments.h"

#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

// A pane with no browser behind it: it goes nowhere, so no page of it ever
// finishes loading and the window never brings it into sight.
class BlankPane : public QWidget, public ContentPane {
public:
  explicit BlankPane(QWidget *parent) : QWidget(parent) {}
  QWidget *Control() override { return this; }
  void Navigate(const QUrl &) override {}
};

ContentPane *CreateBlankPane(QWidget *parent) { return new BlankPane(parent); }

void FailAtOnce(QObject *owner, std::function<void(const RemoteDocuments &)> done) {
  QTimer::singleShot(0, owner, [done = std::move(done)] {
    RemoteDocuments none;
    none.Failure = FetchFailure::Network;
    done(none);
  });
}

ContentPaneFactory &CurrentFactory() {
  static ContentPaneFactory factory = CreateBlankPane;
  return factory;
}

RemoteDocumentsSource &CurrentSource() {
  static RemoteDocumentsSource source = FailAtOnce;
  return source;
}

} // namespace

ContentPaneFactory SetContentPaneFactory(ContentPaneFactory factory) {
  if (!factory)
    factory = CreateBlankPane;
  return std::exchange(CurrentFactory(), std::move(factory));
}

ContentPane *CreateContentPane(QWidget *parent) { return CurrentFactory()(parent); }

RemoteDocumentsSource SetRemoteDocumentsSource(RemoteDocumentsSource source) {
  if (!source)
    source = FailAtOnce;
  return std::exchange(CurrentSource(), std::move(source));
}

void FetchRemoteDocuments(QObject *owner, std::function<void(const RemoteDocuments &)> done) {
  CurrentSource()(owner, std::move(done));
}

void FetchFromHomeSite(QObject *owner, std::function<void(const RemoteDocuments &)> done) {
  // The fetch is a child of owner: it ends, replies and all, with it.
  auto *fetch = new RemoteDocumentsFetch(HomeSiteUrl(), owner);
  QObject::connect(fetch, &RemoteDocumentsFetch::Finished, owner,
                   [fetch, done = std::move(done)](const RemoteDocuments &documents) {
                     fetch->deleteLater();
                     done(documents);
                   });
  fetch->Start();
}
