// A flock of birds flying as boids: each bird steers apart from, along with
// and towards the birds near it, towards a common goal that circles over the
// terrain, and away from obstacles, the ground and the water. The wings flap
// by blending the two poses "BirdUP.x" and "BirdDOWN.x". A bird can be hit; it
// then falls straight down and, once on the ground, lies dead and is no
// longer drawn.
//
// Calling order: SetData once, then SetTerrain, SetWaterHeight and the other
// setters, then Update and Render each frame. CheckCollisions may be called
// at any time between updates.
#pragma once

#include "QrnApi.h"
#include "QrnMath.h"
#include "RenderDevice.h"

namespace qrngu {

class CFlock;
class CObstacleList;
class IHeightmap;

class QRN_API IFlock {
public:
    IFlock();
    // Deletes the birds and the bird mesh.
    virtual ~IFlock();
    IFlock(const IFlock&) = delete;
    IFlock& operator=(const IFlock&) = delete;

    // Creates birdCount birds at random whole-unit places in the box from
    // origin + extent - (2 x extent - 1) to origin + extent (an axis with an
    // extent below 1 gives origin + extent alone), picks a goal there and
    // loads the bird poses. False when the mesh cannot be made or loaded (the
    // birds still fly), or for more than 1 048 576 birds (none are made).
    bool SetData(qrn::IRenderDevice* device, unsigned int birdCount, qrn::Vector4 origin,
                 qrn::Vector4 extent);
    // A fixed goal; null lets the goal circle over the terrain again.
    void SetGoal(const qrn::Vector4* goal);
    qrn::Vector4 GetGoal();
    // Distance within which birds are neighbours; also the obstacle radius.
    void SetBoidInfluence(float influence);
    // Cruising speed factor: a bird flies about 10 x this units per second.
    void SetFlockSpeed(float speed);
    // Birds keep above this height as above the ground. Until it is set
    // there is no water.
    void SetWaterHeight(float height);
    // The obstacles to fly round, borrowed (a later call replaces it).
    void AddObstacleList(CObstacleList* obstacles);
    // Marks every bird closer than 0.8 to the point as hit; true if any was.
    bool CheckCollisions(const qrn::Vector4& point);
    // The terrain to fly over, borrowed, with the world offset of its corner.
    // Re-places every bird over the terrain (or the water), 1 to
    // 1 + 0.1 x (10 x heightRange - 1) above it; a range of 0 or less places
    // them all 1 above. The goal stays.
    void SetTerrain(IHeightmap* heightmap, int heightRange, qrn::Vector4 offset);
    // One simulation step of elapsed seconds. A hit bird falls until it is
    // under the terrain, or without a terrain under the bottom of the area
    // given to SetData, and then lies dead. Birds closer together than a
    // millionth of a unit do not steer by each other.
    void Update(float elapsed);
    // Draws every bird that is not dead; false at the first failed draw (or
    // without a bird mesh).
    bool Render();

private:
    CFlock* m_pFlock;
};

}  // namespace qrngu
