#pragma once
// The movie window: a player filling the window plays one divination movie,
// looping and scaled to show the whole stage. ShowMovieDivination opens a new
// window for a movie kind each time it is called.

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <memory>

class QWebEngineView;

namespace Ui {
class TFrmFlash;
}

class TFrmFlash : public QWidget {
  Q_OBJECT

public:
  explicit TFrmFlash(QWidget *parent = nullptr);
  ~TFrmFlash() override;

  // Hands the player the full path of a movie file; the player loads it and
  // plays it by itself. A file the player cannot reach or read leaves the
  // window open with a message saying so.
  void SetMovie(const QString &path);

  // The path last handed to the player; empty when none was.
  QString Movie() const;

  // The page the player was given: the player page with the movie's URL, or
  // empty when no movie was set or a message is shown instead.
  QUrl PlayerUrl() const;

  QWebEngineView *Player() const;

  // Puts the player page in standby (WarmUpMoviePlayer), if there is one,
  // into this window, before SetMovie; SetMovie then hands it the movie
  // instead of loading a new player. False when there is none.
  bool TakeStandbyPlayer();

private:
  // Shows a message in place of the player.
  void ShowMessage(const QString &title, const QString &detail);
  // Hands the movie of PageUrl to the player page taken from standby.
  void PlayMovie();

  std::unique_ptr<Ui::TFrmFlash> ui;
  QString MoviePath;
  QUrl PageUrl;
  bool PlayerTaken = false;
  bool PlayerPageLoaded = false;
};

// Opens a new movie window for movieKind (0 eye shapes, 1 palm, 2 drawing a
// lot, 3 throwing the blocks) and returns at once; the window is not modal.
// A kind outside 0..3 gives a window captioned "FrmFlash" without a movie.
void ShowMovieDivination(int movieKind);

// The movie window created last.
extern QPointer<TFrmFlash> FrmFlash;

// Installs ShowMovieDivination as the main window's opener of movie
// divinations and WarmUpMoviePlayer as its warmer (MovieDivination.h).
void InstallMovieWindows();

// Starts a player page without a movie in the background, so that the next
// movie window starts at once; returns at once. A closed movie window leaves
// its player in the same standby, and a window whose movie plays warms one up
// for a second window. At most one waits: when one does, this only keeps it
// longer. A player in standby goes after the standby lifetime (3 minutes)
// without a movie window opened or closed and without a call of this.
void WarmUpMoviePlayer();

// Whether a player page waits in standby, loaded or still loading.
bool MoviePlayerInStandby();

// Sets the standby lifetime (for tests); the time already waited counts anew.
void SetStandbyLifetime(std::chrono::milliseconds lifetime);
