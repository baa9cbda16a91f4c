#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

// The application's standard error box: an error that leaves an event
// handler is shown here and the program goes on.
namespace ErrorBox {

// The box's text: the error's text with "." appended when its last character
// sorts after ".".
QString boxText(const QString& text);

// Text of any exception; std::exception texts are UTF-8.
QString textOf(const std::exception& error);

// Shows the error modally: caption "Pictavo", error icon, OK.
void show(const QString& text, QWidget* parent = nullptr);

// Runs `handler`; an exception leaving it is shown in the box. Returns false
// when one did. Every event handler that can fail runs through here.
bool guard(const std::function<void()>& handler, QWidget* parent = nullptr);

}  // namespace ErrorBox
