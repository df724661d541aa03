// TRepaintingPrompts, the window's prompts: each prompt as the inner prompts show it, followed by
// a repaint of the scene.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "ui/dialogs/Prompts.h"

namespace kinetra::ui {

// Every prompt is a window over the scene: when it has closed, the scene is repainted as the
// window system would repaint an uncovered window (the canvas alone would keep whatever the
// command drew or erased meanwhile, such as a cleared area or an erased marker).
class TRepaintingPrompts : public TUserPrompts {
public:
    TRepaintingPrompts(std::unique_ptr<TUserPrompts> inner, std::function<void()> repaint)
        : Inner(std::move(inner)), Repaint(std::move(repaint)) {}

    // The prompts that show what is asked from now on.
    void SetInner(std::unique_ptr<TUserPrompts> inner) { Inner = std::move(inner); }
    // Called with true as a prompt opens and with false as it closes: a run waits meanwhile.
    void SetHold(std::function<void(bool)> hold) { Hold = std::move(hold); }

    void ShowMessage(QWidget* parent, const QString& text) override {
        After after(*this);
        Inner->ShowMessage(parent, text);
    }
    void ShowNotice(QWidget* parent, const QString& text) override {
        After after(*this);
        Inner->ShowNotice(parent, text);
    }
    void ShowDetailedMessage(QWidget* parent, const QString& text, const QString& detail) override {
        After after(*this);
        Inner->ShowDetailedMessage(parent, text, detail);
    }
    void ShowError(QWidget* parent, const QString& text) override {
        After after(*this);
        Inner->ShowError(parent, text);
    }
    void ShowDetailedError(QWidget* parent, const QString& text, const QString& detail) override {
        After after(*this);
        Inner->ShowDetailedError(parent, text, detail);
    }
    TAnswer Confirm(QWidget* parent, const QString& text) override {
        After after(*this);
        return Inner->Confirm(parent, text);
    }
    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) override {
        After after(*this);
        return Inner->GetOpenFileName(parent, title, folder, filter);
    }
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& proposedName, const QString& filter) override {
        After after(*this);
        return Inner->GetSaveFileName(parent, title, folder, proposedName, filter);
    }
    int ExecDialog(QDialog& dialog) override {
        After after(*this);
        return Inner->ExecDialog(dialog);
    }
    std::optional<int> GetInteger(QWidget* parent, const QString& title, const QString& label, int value,
                                  int minimum, int maximum) override {
        After after(*this);
        return Inner->GetInteger(parent, title, label, value, minimum, maximum);
    }

    TMenuChoice ExecMenu(QMenu& menu, const QPoint& globalPos) override {
        After after(*this);
        return Inner->ExecMenu(menu, globalPos);
    }

private:
    // Also when the prompt ends in an exception.
    struct After {
        explicit After(TRepaintingPrompts& owner) : Owner(owner) {
            if (Owner.Hold) Owner.Hold(true);
        }
        After(const After&) = delete;
        After& operator=(const After&) = delete;
        ~After() {
            if (Owner.Hold) Owner.Hold(false);
            Owner.Repaint();
        }
        TRepaintingPrompts& Owner;
    };

    std::unique_ptr<TUserPrompts> Inner;
    std::function<void()> Repaint;
    std::function<void(bool)> Hold;
};

}  // namespace kinetra::ui
