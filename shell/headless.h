#pragma once

#include "core/expected.h"
#include "core/record.h"

#include <QApplication>
#include <memory>
#include <string>

// The commands that run the forms without a display: a product's factory
// settings and pictures of every form.
namespace cvcfg {

// A Qt application on the offscreen platform, for the commands that run the
// forms without a display; Qt's own chatter stays quiet.
std::unique_ptr<QApplication> makeHeadlessApplication(int& argc, char** argv);

// Runs a product's real set-ups as an operator would click them, on Qt's
// offscreen platform (a headless application must exist), and returns the
// record they leave. `linkBaud` answers the CV210's serial-number question
// ("9600" or "19200").
Expected<ConfigRecord> factorySettings(const std::string& variant, const std::string& linkBaud);

// Writes a PNG of every form of the program to `dir` after the set-up of
// `variant`, one file a form, named after it.
Status writeSnapshots(const std::string& variant, const std::string& dir);

} // namespace cvcfg
