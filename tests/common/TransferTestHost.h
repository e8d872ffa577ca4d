#pragma once
// A host for the parameter procedures in tests: records progress, colours,
// messages and questions, answers questions as told, and binds an optional real
// parameter editor. Header only: included by the tests that need it.

#include "params/ModuleTransfer.h"
#include "params/ParamEditor.h"

#include <QPointer>
#include <QStringList>
#include <functional>

class TTransferTestHost : public ITransferHost
{
public:
    explicit TTransferTestHost(TParamEditor *editor = nullptr) : Editor(editor) {}

    QPointer<TParamEditor> Editor;
    std::function<bool()> TransportIsUp = [] { return true; };
    bool AnswerYes = false;
    // Called after every position change (e.g. to press STOP at a given block).
    std::function<void(int position)> OnPosition;

    int Maximum = -1;
    int Position = -1;
    TProgressColor Color = TProgressColor::Green;
    QList<int> Positions;
    QStringList Messages;
    QStringList Questions;
    int EnableCount = 0;
    int DisableCount = 0;
    int EditorLoads = 0;
    int EditorBuilds = 0;
    bool CommandsEnabled = true;

    bool TransportUp() override { return TransportIsUp(); }
    void SetProgressMaximum(int maximum) override { Maximum = maximum; }
    void SetProgressPosition(int position) override
    {
        Position = position;
        Positions << position;
        if (OnPosition)
            OnPosition(position);
    }
    void SetProgressColor(TProgressColor color) override { Color = color; }
    void ShowMessage(const QString &text) override { Messages << text; }
    bool AskYesCancel(const QString &text) override
    {
        Questions << text;
        return AnswerYes;
    }
    void EnableModuleCommands() override
    {
        ++EnableCount;
        CommandsEnabled = true;
    }
    void DisableModuleCommands() override
    {
        ++DisableCount;
        CommandsEnabled = false;
    }
    void BuildImageFromEditor(TParamImage &image) override
    {
        ++EditorBuilds;
        if (Editor)
            Editor->BuildImageFromEditor(image);
    }
    void LoadEditorFromImage(const TParamImage &image) override
    {
        ++EditorLoads;
        if (Editor)
            Editor->LoadEditorFromImage(image);
    }

    bool isRed() const { return Color == TProgressColor::Red; }
};
