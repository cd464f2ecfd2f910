// A fresh program for each capture test: a temporary working directory with
// the run-time folders, the settings store open on Config/Config.xml, the
// interface in English, and every capture control on the synthetic camera,
// whose frames come only when a test asks for them.
#pragma once

#include "capture/MGrab.h"
#include "capture/MGrabConfig.h"
#include "platform/videograb/TSyntheticVideo.h"
#include "platform/videograb/TVideoSampleGrab.h"
#include "settings/MDataOptions.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MTool.h"
#include "tests/support/ConfigFile.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WorkingDir.isValid());
        QDir::setCurrent(WorkingDir.path());
        for (const char* folder : {"Config", "Images", "Output"})
            QDir().mkpath(QString::fromLatin1(folder));
        ResetSingletons();
        Setup.FrameInterval = 100000;
        platform::SetVideoBackendFactoryForTesting([this] {
            auto video = std::make_unique<platform::TSyntheticVideo>(Setup, Log);
            Videos.push_back(video.get());
            return video;
        });
    }

    void TearDown() override
    {
        delete FormGrabConfig;
        FormGrabConfig = nullptr;
        delete FormGrab;
        FormGrab = nullptr;
        platform::SetVideoBackendFactoryForTesting(nullptr);
        ResetSingletons();
        delete DataModuleOptions;
        DataModuleOptions = nullptr;
        QDir::setCurrent(SavedDir);
    }

    static void ResetSingletons()
    {
        MParam::ResetForTesting();
        MLan::ResetForTesting();
        MTool::ResetInstanceForTesting();
    }

    // Opens the settings store with these options stored, as a previous run
    // left them, and creates the capture window and the adjustment dialog.
    void Start(const std::map<int, std::string>& options = {})
    {
        StoreOptions(options);
        DataModuleOptions = new TDataModuleOptions;
        ASSERT_TRUE(MParam::GetInstance()->Open());
        MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
        FormGrab = new TFormGrab;
        FormGrabConfig = new TFormGrabConfig;
    }

    // The capture window shown, not modally, as a first show does it.
    TFormGrab& ShowGrab()
    {
        FormGrab->show();
        return *FormGrab;
    }

    // The synthetic camera behind the most recently initialized control.
    platform::TSyntheticVideo& Video() { return *Videos.back(); }

    // Grabs with the capture window's Grab button and waits for the result.
    void GrabFrame()
    {
        QSignalSpy grabbed(FormGrab->Grabber, &TVideoSampleGrab::OnSampleGrabbed);
        FormGrab->BBGrab->click();
        Video().NextFrame();
        ASSERT_TRUE(grabbed.wait(2000));
    }

    std::string Status(int panel) const { return FormGrab->StatusPanels[panel]->text().toStdString(); }

    bool Logged(const std::string& line) const
    {
        return std::find(Log->begin(), Log->end(), line) != Log->end();
    }

    // Option records stored under "DEFAULT": option id to its last value.
    static std::map<std::string, std::string> StoredValues()
    {
        std::map<std::string, std::string> last;
        for (const auto& [id, value] : StoredOptions())
            last[id] = value;
        return last;
    }

    platform::TSyntheticSetup Setup = platform::TSyntheticSetup::Standard();
    std::shared_ptr<platform::TCallLog> Log = std::make_shared<platform::TCallLog>();
    std::vector<platform::TSyntheticVideo*> Videos;
    QTemporaryDir WorkingDir;
    QString SavedDir = QDir::currentPath();
};
