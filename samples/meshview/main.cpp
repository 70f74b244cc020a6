// meshview: look at a model from a DirectX .x file, turning under a light.
//
//   meshview FILE.x [--windowed] [--screenshot PNG --frames N]
//
// The model is framed by its bounding box and lit as the demo lights its
// scene at noon, so a model looks here as it will look in the demo. Its
// textures are looked for beside the model file. F1 switches wireframe, F2
// texturing, Escape twice leaves. With --frames N it stops after N frames and
// prints the mean frame rate; with --screenshot PNG it also saves the last
// frame. Pictures and timings turn the model by a fixed step per frame.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "Engine.h"
#include "RenderDevice.h"
#include "RenderDeviceObjects.h"
#include "SampleRun.h"

namespace {

constexpr float kFieldOfView = 0.8f;
constexpr float kTurnRate = 0.5f;  // radians per second

struct Options : viewer::SampleOptions {
    const char* model = nullptr;
};

// The common options and one argument that is not an option: the model file.
bool ParseOptions(int argc, char** argv, Options* o) {
    const auto model = [o](const char* argument) {
        if (std::string(argument).rfind("--", 0) == 0 || o->model) return false;
        o->model = argument;
        return true;
    };
    return viewer::ParseSampleOptions(argc, argv, o, model) && o->model != nullptr;
}

// Loads the model with the working folder set to the model's own, where the
// texture names it carries are looked for; the folder is set back after.
bool LoadModel(qrn::IMesh* mesh, const char* file) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path here = fs::current_path(error);
    const fs::path path(file);
    const fs::path folder = path.parent_path();
    const bool move = !error && !folder.empty();
    if (move) fs::current_path(folder, error);
    const bool loaded = !error && mesh->LoadFromFile(move ? path.filename().c_str() : file);
    if (move) fs::current_path(here, error);
    return loaded;
}

// A left-handed look-at view: eye at `eye`, looking at `at`, y up.
qrn::Matrix4x4 LookAt(qrn::Vector4 eye, qrn::Vector4 at) {
    qrn::Vector4 z = at - eye;
    z.Normalize();
    qrn::Vector4 x;
    x.Cross(qrn::Vector4(0, 1, 0, 1), z);
    x.Normalize();
    qrn::Vector4 y;
    y.Cross(z, x);
    const float m[16] = {x.x, y.x, z.x, 0, x.y, y.y, z.y, 0, x.z, y.z, z.z, 0, -(x * eye), -(y * eye), -(z * eye), 1};
    qrn::Matrix4x4 view;
    view.Set(m);
    return view;
}

class CMeshViewApplication : public viewer::CSampleApplication {
public:
    explicit CMeshViewApplication(const Options& options)
        : CSampleApplication("meshview", options), m_Options(options) {}

    bool InitScene() {
        m_pMesh = static_cast<qrn::IMesh*>(m_pRenderDevice->CreateObject(qrn::OBJECTTYPE_MESH));
        if (!m_pMesh || !LoadModel(m_pMesh, m_Options.model)) {
            std::fprintf(stderr, "meshview: %s could not be read as a .x model\n", m_Options.model);
            return false;
        }
        qrn::Vector4 low, high;
        m_pMesh->GetBoundingBox(&low, &high);
        if (!(low.x <= high.x && low.y <= high.y && low.z <= high.z)) low = high = qrn::Vector4(0, 0, 0, 1);
        m_Centre = (low + high) * 0.5f;
        float radius = (high - low).GetLength() * 0.5f;
        if (!(radius > 1e-6f)) radius = 1.0f;

        // Far enough that the bounding sphere fits the view, a little above.
        const float distance = radius / std::sin(kFieldOfView * 0.5f) * 0.85f;
        const qrn::Matrix4x4 view = LookAt(qrn::Vector4(0, distance * 0.25f, -distance, 1), qrn::Vector4(0, 0, 0, 1));
        m_pRenderDevice->SetViewMatrix(&view);
        m_pRenderDevice->SetProjection(false, kFieldOfView, distance * 0.01f, distance * 4.0f);
        m_pRenderDevice->SetCullMode(qrn::CULLMODE_NONE);

        // The demo's noon sun (its direction points away from the sun).
        m_Sun = qrn::SLight{};
        m_Sun.type = 0;
        m_Sun.diffuse[0] = m_Sun.diffuse[1] = m_Sun.diffuse[2] = 1.0f;
        m_Sun.direction.Set(0.35f, 1.0f, 0.45f, 1.0f);
        m_Sun.direction.Normalize();
        return true;
    }

    bool UpdateFrame() override {
        const bool present = BeginFrame();
        m_fAngle += kTurnRate * (m_Options.frames > 0 ? 1.0f / 60.0f : m_fElapsedTime);
        Draw(present);
        EndFrame();
        return true;
    }

private:
    // The model turned about the vertical through its centre.
    void Draw(bool present) {
        qrn::IRenderDevice* dev = m_pRenderDevice;
        dev->SetClearColor(70, 80, 96);
        dev->SetAmbientLight(1.0f, 1.0f, 1.0f);
        if (!dev->BeginRendering(true, true, false)) return;  // device lost: skip the frame
        qrn::Matrix4x4 centre, turn;
        centre.SetTranslation(-m_Centre.x, -m_Centre.y, -m_Centre.z, true);
        turn.SetRotationY(m_fAngle);
        const qrn::Matrix4x4 world = centre * turn;
        dev->SetWorldMatrix(&world);
        dev->SetLight(0, &m_Sun);
        m_pMesh->Render(true, false);
        m_pMesh->Render(false, true);
        dev->EndRendering(present);
    }

    Options m_Options;
    qrn::IMesh* m_pMesh = nullptr;  // the device's object: it goes with the device
    qrn::Vector4 m_Centre;
    qrn::SLight m_Sun{};
    float m_fAngle = 0.6f;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: meshview FILE.x [--windowed] [--screenshot PNG] [--frames N]\n");
        return 2;
    }
    auto* app = new CMeshViewApplication(options);
    int result = 1;
    if (!app->Initialize(GetModuleHandleA(nullptr), options.windowed, qrn::SCREENRESOLUTION_640X480)) {
        MessageBoxA(nullptr, "Engine initializtion failed.", "Error", MB_OK | MB_ICONERROR);
    } else if (app->InitScene()) {
        result = app->Run();
    }
    delete app;
    return result;
}
