// The detailed look handed to OpenGL: the textures made at start, the tiles within sight, the
// ground painted layer by layer without depth writes, then what stands on it, then the trams.
#pragma once

#include "cab/look/LookScene.h"
#include "cab/scene/Scene.h"

#include <array>
#include <vector>

namespace vell {

// Beyond this the tiles are drawn without their textures.
constexpr double TexturedDistance = 500;

class TLookRenderer {
  public:
    // Draws the frame's scene into the current OpenGL context, under the eye matrix as
    // RenderScene does; the matrix, the colour and the enabled state are left as they were.
    void Render(const TMap& map, const TCityLook& look, const TWorld& world, TRandom& random,
                const TSceneView& view, const TLookLight& light);
    // A new OpenGL context: the textures and lists of the old one went with it.
    void ContextLost() {
        TexturesMade = false;
        Lists.clear();
    }
    TLookCity City;
    int TilesDrawn = 0; // in the last frame

  private:
    void MakeTextures();
    void Bind(TLookTexture texture, bool textured);

    // A tile's display lists: one per ground layer (binding its textures), one per texture of
    // its standing mesh, one for what shines; compiled for the tile's build `Serial`.
    static constexpr int ListsPerTile = int(GroundLayerCount) + int(LookTextureCount) + 1;
    struct TTileLists {
        int Serial = 0;
        unsigned First = 0; // 0: none
        std::array<bool, ListsPerTile> Used{};
    };
    const TTileLists& ListsOf(int index, const TLookTile& tile);

    std::array<unsigned, LookTextureCount> Textures{};
    bool TexturesMade = false;
    std::vector<TTileLists> Lists; // by tile index
    std::vector<int> Near;
    std::vector<TLookTile*> Visible;
    std::vector<const TTileLists*> VisibleLists;
    std::vector<int> TileIndex;
    std::vector<bool> Textured;
    TLookMesh Frame; // what is built anew every frame
};

} // namespace vell
