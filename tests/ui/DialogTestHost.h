// What the dialog tests stand on: a host with a real simulation, parser and screen frame,
// prompts that record messages and drive nested dialogs, and small helpers to build particles
// and to move the keyboard focus the way a user does.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QString>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "parser/Parser.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/Prompts.h"

namespace kinetra::ui::dialogtest {

class TDialogPrompts : public TUserPrompts {
public:
    std::vector<QString> Messages;
    // The detail under each message, empty where there is none.
    std::vector<QString> Details;
    // Runs a nested dialog (the particle editor of the list); without it the dialog is cancelled.
    std::function<int(QDialog&)> OnExecDialog;
    int ExecCount = 0;

    void ShowMessage(QWidget* parent, const QString& text) override { ShowDetailedMessage(parent, text, {}); }
    void ShowDetailedMessage(QWidget*, const QString& text, const QString& detail) override {
        Messages.push_back(text);
        Details.push_back(detail);
    }
    void ShowError(QWidget*, const QString& text) override { Messages.push_back(text); }
    TAnswer Confirm(QWidget*, const QString&) override { return TAnswer::Cancel; }
    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }
    int ExecDialog(QDialog& dialog) override {
        ++ExecCount;
        return OnExecDialog ? OnExecDialog(dialog) : QDialog::Rejected;
    }
};

class TFakeHost : public TDialogHost {
public:
    explicit TFakeHost(int dimensions = 2) {
        Sim.SetDimensions(dimensions);
        Sim.Clear();
        Frame = std::make_unique<TScreenFrame>(Sim);
    }

    TSimData& SimData() override { return Sim; }
    TParser& ExprParser() override { return Parser; }
    TScreenFrame& ScreenFrame() override { return *Frame; }
    TUserPrompts& Prompts() override { return Prompter; }
    void SetModified(bool value) override {
        ++SetModifiedCalls;
        Modified = value;
        if (!value) ParticlesModified = false;
    }
    void SetParticlesModified(bool value) override {
        ++SetParticlesModifiedCalls;
        ParticlesModified = value;
        Modified = value;
    }
    void ParticlesChanged() override { ++ParticlesChangedCalls; }

    // Adds a particle through the collection's checks.
    TParticle& Add(const std::string& name, std::vector<double> position, double mass = 1,
                   double radius = 0) {
        auto particle = std::make_unique<TParticle>(name, Sim.Dimensions);
        for (int i = 0; i < Sim.Dimensions && i < static_cast<int>(position.size()); ++i)
            particle->InitialPosition[i] = position[static_cast<size_t>(i)];
        particle->Position.Assign(particle->InitialPosition);
        particle->Mass = mass;
        particle->SetRadius(radius);
        particle->UpdateImage();
        Sim.Particles.AddParticle(std::move(particle));
        return Sim.Particles.Particles(Sim.Particles.Count() - 1);
    }

    // The message the parser gives for a text, to compare with what a dialog showed.
    static QString ParserMessage(const std::string& text) {
        TParser parser;
        try {
            parser.Evaluate(text);
        } catch (const std::exception& error) {
            return QString::fromStdString(error.what());
        }
        return {};
    }

    TSimData Sim;
    TParser Parser;
    std::unique_ptr<TScreenFrame> Frame;
    TDialogPrompts Prompter;
    bool Modified = false;
    bool ParticlesModified = false;
    int SetModifiedCalls = 0;
    int SetParticlesModifiedCalls = 0;
    int ParticlesChangedCalls = 0;
};

// Texts that no numeric field may accept: the dialog shows the parser's own message.
inline const std::vector<std::string>& BadEntries() {
    static const std::vector<std::string> entries{"", "\t", "1e999", std::string(10000, '('), "nosuch"};
    return entries;
}

// Shows the dialog as the active window, so that focus changes reach it as they reach a user.
inline void ShowActive(QWidget& dialog) {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

inline void PressKey(Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key);
}

}  // namespace kinetra::ui::dialogtest
