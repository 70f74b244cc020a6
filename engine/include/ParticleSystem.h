// A cloud of point particles simulated on the CPU and drawn as point sprites
// in one draw call. Particles are released from an origin point, or from the
// surface of an ellipsoid around it, with a start velocity plus a random part;
// gravity pulls them and wind drags their velocity towards its own. They are
// hidden while under the terrain, bounce off an obstacle list and knock down
// birds of a flock (playing a hit sound). A point light can follow the centre
// of the visible particles.
//
// Calling order: Init first (it gives the device and sizes the vertex array),
// then the setters in any order, then Update and Render each frame. Render
// draws with the device's current primitive type: set point sprites before it.
#pragma once

#include "QrnApi.h"
#include "QrnMath.h"
#include "RenderDevice.h"

namespace qrnsu {
class ISound;
}

namespace qrngu {

class CParticleSystem;
class CObstacleList;
class IFlock;
class IHeightmap;

class QRN_API IParticleSystem {
public:
    IParticleSystem();
    // Deletes every particle and the vertex array; the terrain, obstacles,
    // flock, sound and device belong to the caller.
    virtual ~IParticleSystem();
    IParticleSystem(const IParticleSystem&) = delete;
    IParticleSystem& operator=(const IParticleSystem&) = delete;

    // Stores the device, the largest number of live particles, the emission
    // origin, the emission mode (manual: only Emit releases; otherwise every
    // Update ends with one) and the sound played when a bird is hit. Drops
    // the live particles and sizes the vertex array for maxParticles. False,
    // leaving a system that holds and draws nothing, when that array cannot
    // be allocated or maxParticles is above 16 777 216.
    bool Init(unsigned int maxParticles, const qrn::Vector4& origin, bool manualEmission,
              qrnsu::ISound* hitSound, qrn::IRenderDevice* device);
    // Loads the particle picture; false when it cannot be read.
    bool SetTexture(const char* file);
    // Lifetime in seconds and the point size handed to the device.
    void SetParticleData(float lifetime, float size);
    // Base start velocity and the length of the random part added to it.
    void SetVelocity(const qrn::Vector4& velocity, float variance);
    // Moves the emission origin.
    void SetOffspring(const qrn::Vector4& origin);
    // Full size of the emission ellipsoid along x, y and z; all zero
    // releases from the origin itself.
    void SetRegionDimension(const qrn::Vector4& dimension);
    // Acceleration in units per second squared; zero switches it off.
    void SetGravity(const qrn::Vector4& gravity);
    // Air velocity the particles relax towards; zero switches it off.
    void SetWind(const qrn::Vector4& wind);
    // false: the particle colour is added to the frame; true: the frame is
    // multiplied by it.
    void SetInversSrcColorBlending(bool inverse);
    // count particles every interval seconds.
    void SetReleaseRate(unsigned int count, float interval);
    // Collision partners, borrowed; null switches the test off.
    void SetHeightMap(IHeightmap* heightmap);
    void SetObstacles(CObstacleList* obstacles);
    void SetFlockObstacles(IFlock* flock);
    // Turns on a point light at device index index that follows the centre
    // of the visible particles; it stays on for the life of the system.
    void SetLightEffect(int index, const qrn::SLight& light);
    // One release, if the release interval has passed.
    void Emit();
    // One simulation step of elapsed seconds.
    void Update(float elapsed);
    // Draws the visible particles; false without a device or when a scene
    // could not be begun.
    bool Render();

private:
    CParticleSystem* m_pParticleSystem;
};

}  // namespace qrngu
