#include "platform/videograb/TVideoBackend.h"

#include "platform/gui/ImageFile.h"
#include "platform/videograb/TSyntheticVideo.h"
#include "platform/videograb/TV4l2Video.h"

namespace platform {

namespace {

TVideoBackendFactory& TestingFactory()
{
    static TVideoBackendFactory factory;
    return factory;
}

} // namespace

void TVideoBackend::WriteGrab(const TVideoFrame& frame, const std::string& path)
{
    const QImage picture = FrameToImage(frame);
    if (picture.isNull())
        throw ImageError("There is no frame to save as \"" + path + "\"");
    WriteBmpFile(picture, path);
}

std::unique_ptr<TVideoBackend> MakeVideoBackend()
{
    if (TestingFactory())
        return TestingFactory()();
    if (qEnvironmentVariable(kCameraVariable) == QLatin1String(kSyntheticCamera))
        return std::make_unique<TSyntheticVideo>();
    return std::make_unique<TV4l2Video>(RealV4l2Io());
}

void SetVideoBackendFactoryForTesting(TVideoBackendFactory factory) { TestingFactory() = std::move(factory); }

} // namespace platform
