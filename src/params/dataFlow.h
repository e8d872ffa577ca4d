#pragma once
// The editor binding: TParamEditor::BuildImageFromEditor and
// TParamEditor::LoadEditorFromImage copy between the controls and the image;
// the grid and test-time input rules live with them (dataFlow.cpp).

#include "params/FieldCodec.h"
#include "params/ParamEditor.h"
