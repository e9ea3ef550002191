#pragma once

#include "ui/dialogs/dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <utility>

// Answers the main window's questions from queues the test fills; an empty queue cancels.
// Messages shown are recorded instead of being displayed.
class ScriptedDialogs final : public Dialogs {
public:
  std::deque<std::optional<QString>> projectsToOpen, projectsToSave, picturesToOpen, picturesToSave;
  std::deque<std::optional<Colour>> colours;
  std::deque<std::optional<FontChoice>> fonts;
  QString proposedProjectName;
  FontChoice presetFontValue;
  QList<std::pair<QString, QString>> messages;  // text, caption
  int colourRequests = 0;
  // Answers to "変更を保存しますか?"; with none left, the changes are dropped, as before the
  // question existed.
  std::deque<UnsavedChanges> unsavedAnswers;
  int unsavedQuestions = 0;
  // Answers to "前回保存されなかった作業があります", and what each question said; with none left,
  // the work is left for later.
  std::deque<LeftWorkAnswer> leftWorkAnswers;
  QStringList leftWorkQuestions;
  // Done while that question is asked: what another process may do meanwhile.
  std::function<void()> whileAskedToRestore;

  std::optional<QString> openProject() override { return next(projectsToOpen); }
  std::optional<QString> saveProject() override { return next(projectsToSave); }
  void proposeProjectName(const QString& path) override { proposedProjectName = path; }
  std::optional<QString> openPicture() override { return next(picturesToOpen); }
  // The logo's options, one per save; with none left, the remembered ones come back untouched.
  std::deque<LogoOptions> logoOptions;
  std::optional<LogoOptions> offeredLogoOptions;  // what the last save opened on
  std::optional<LogoChoice> saveLogo(const LogoOptions& remembered) override {
    offeredLogoOptions = remembered;
    LogoOptions options = remembered;
    if (!logoOptions.empty()) {
      options = logoOptions.front();
      logoOptions.pop_front();
    }
    const std::optional<QString> path = next(picturesToSave);
    if (!path) return std::nullopt;
    return LogoChoice{*path, options};
  }
  std::optional<Colour> chooseColour() override {
    ++colourRequests;
    return next(colours);
  }
  void presetFont(const FontChoice& font) override { presetFontValue = font; }
  std::optional<FontChoice> chooseFont() override { return next(fonts); }
  void showMessage(const QString& text, const QString& caption) override { messages.append({text, caption}); }
  UnsavedChanges askToSaveChanges() override {
    ++unsavedQuestions;
    if (unsavedAnswers.empty()) return UnsavedChanges::Discard;
    const UnsavedChanges answer = unsavedAnswers.front();
    unsavedAnswers.pop_front();
    return answer;
  }

  LeftWorkAnswer askToRestore(const QString& about) override {
    leftWorkQuestions << about;
    if (whileAskedToRestore) whileAskedToRestore();
    if (leftWorkAnswers.empty()) return LeftWorkAnswer::Later;
    const LeftWorkAnswer answer = leftWorkAnswers.front();
    leftWorkAnswers.pop_front();
    return answer;
  }

private:
  template <typename T>
  static std::optional<T> next(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    const bool answered = queue.front().has_value();
    T answer = answered ? *queue.front() : T();
    queue.pop_front();
    if (!answered) return std::nullopt;
    return answer;
  }
};
