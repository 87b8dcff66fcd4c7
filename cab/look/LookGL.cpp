// The one place where the detailed look meets OpenGL. The day light scales every colour through
// the light model's ambient term (no light source is on), so that tiles are not built again as
// the light changes; what shines is drawn without it.
#include "cab/look/LookGL.h"

#include "cab/look/LookTextures.h"
#include "cab/scene/SceneBuild.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

void Pointers(const std::vector<TLookVertex>& list) {
    constexpr GLsizei stride = sizeof(TLookVertex);
    glVertexPointer(3, GL_FLOAT, stride, &list.front().X);
    glTexCoordPointer(2, GL_FLOAT, stride, &list.front().U);
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, &list.front().R);
}

void DrawTriangles(const std::vector<TLookVertex>& list) {
    if (list.empty()) return;
    Pointers(list);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(list.size()));
}

// Only the font's cells are cut out by their alpha: between the letters nothing is drawn, and
// nothing there hides what is behind. Letters lie on their board's face: pulled towards the eye
// by the depth they are tested with, they win over the face they lie on.
void SetAlphaTest(TLookTexture texture) {
    if (texture == GlyphTexture) {
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-1, -4);
    } else {
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
}

void Ambient(double light) {
    const GLfloat ambient[4] = {GLfloat(light), GLfloat(light), GLfloat(light), 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

} // namespace

void TLookRenderer::MakeTextures() {
    glGenTextures(GLsizei(Textures.size()), Textures.data());
    // The look's own textures give v from the image's bottom row, as OpenGL takes images; the
    // font from the parts gives v = 0 at its top row, and the glow is round either way. None of
    // the parts' images is square nor repeats.
    const auto upload = [this](int texture, int width, int height,
                               const std::vector<std::uint8_t>& rgba, bool flip, GLint wrap) {
        if (width <= 0 || height <= 0) return;
        std::vector<std::uint8_t> rows(rgba);
        const std::size_t row = std::size_t(width) * 4;
        if (flip)
            for (int y = 0; y < height; ++y)
                std::copy_n(rgba.begin() + std::ptrdiff_t(row * std::size_t(y)), row,
                            rows.begin() + std::ptrdiff_t(row * std::size_t(height - 1 - y)));
        glBindTexture(GL_TEXTURE_2D, Textures[std::size_t(texture)]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                          rows.data());
    };
    for (int t = 0; t < LookTextureCount; ++t) {
        if (t == GlyphTexture) {
            const TGlyphAtlas& atlas = LookGlyphAtlas();
            upload(t, atlas.Width, atlas.Height, atlas.Rgba, false, GL_CLAMP_TO_EDGE);
        } else if (t == GlowTexture) {
            const TGlyphAtlas glow = MakeGlowImage(64);
            upload(t, glow.Width, glow.Height, glow.Rgba, false, GL_CLAMP_TO_EDGE);
        } else {
            const TLookImage image = MakeLookTexture(TLookTexture(t));
            upload(t, image.Size, image.Size, image.Rgba, true, GL_REPEAT);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    TexturesMade = true;
}

void TLookRenderer::Bind(TLookTexture texture, bool textured) {
    // Letters keep their texture at any distance: untextured, a sign would be a white board.
    if (texture == NoTexture || (!textured && texture != GlyphTexture)) {
        glDisable(GL_TEXTURE_2D);
        SetAlphaTest(NoTexture);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, Textures[texture]);
    SetAlphaTest(texture);
}

const TLookRenderer::TTileLists& TLookRenderer::ListsOf(int index, const TLookTile& tile) {
    if (Lists.size() != City.Tiles().size()) {
        for (const TTileLists& lists : Lists)
            if (lists.First != 0) glDeleteLists(lists.First, ListsPerTile);
        Lists.assign(City.Tiles().size(), {});
    }
    TTileLists& lists = Lists[std::size_t(index)];
    if (lists.First != 0 && lists.Serial == tile.Serial) return lists;
    if (lists.First == 0) lists.First = glGenLists(ListsPerTile);
    lists.Serial = tile.Serial;
    // Texture 0 has no image: a run without texture is drawn untextured whatever is enabled.
    const auto bind = [this](TLookTexture texture) {
        glBindTexture(GL_TEXTURE_2D, texture == NoTexture ? 0 : Textures[texture]);
        SetAlphaTest(texture);
    };
    for (int layer = 0; layer < GroundLayerCount; ++layer) {
        const std::vector<TLookRun>& runs = tile.Ground[std::size_t(layer)];
        lists.Used[std::size_t(layer)] = !runs.empty();
        if (runs.empty()) continue;
        glNewList(lists.First + unsigned(layer), GL_COMPILE);
        for (const TLookRun& run : runs) {
            bind(run.Texture);
            DrawTriangles(run.Triangles);
        }
        glEndList();
    }
    bool shining = false;
    for (int texture = 0; texture < LookTextureCount; ++texture) {
        const std::vector<TLookVertex>& list = tile.Mesh.Solid[std::size_t(texture)];
        const std::size_t slot = std::size_t(GroundLayerCount + texture);
        lists.Used[slot] = !list.empty();
        shining = shining || !tile.Mesh.Shining[std::size_t(texture)].empty();
        if (list.empty()) continue;
        glNewList(lists.First + unsigned(slot), GL_COMPILE);
        DrawTriangles(list);
        glEndList();
    }
    lists.Used[ListsPerTile - 1] = shining;
    if (shining) {
        glNewList(lists.First + unsigned(ListsPerTile - 1), GL_COMPILE);
        for (int texture = 0; texture < LookTextureCount; ++texture) {
            if (tile.Mesh.Shining[std::size_t(texture)].empty()) continue;
            bind(TLookTexture(texture));
            DrawTriangles(tile.Mesh.Shining[std::size_t(texture)]);
        }
        glEndList();
    }
    return lists;
}

void TLookRenderer::Render(const TMap& map, const TCityLook& look, const TWorld& world,
                           TRandom& random, const TSceneView& view, const TLookLight& light) {
    (void)random;
    // Drawing from colour arrays leaves the current colour undefined: it is kept by hand.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT |
                 GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glAlphaFunc(GL_GREATER, 0.5f);
    if (!TexturesMade) MakeTextures();

    // The tiles within sight and in the picture.
    double clip[16];
    CurrentClipMatrix(clip);
    City.Prepare(map, look);
    City.TilesNear(view.CamX, view.CamY, view.ViewDistWall, Near);
    // Near to far: what a near wall hides fails the depth test before it is textured.
    const auto distance = [&](int index) {
        const TLookTile& t = City.Tiles()[std::size_t(index)];
        const double dx = std::max({t.Min[0] - view.CamX, 0.0, view.CamX - t.Max[0]});
        const double dy = std::max({t.Min[1] - view.CamY, 0.0, view.CamY - t.Max[1]});
        return dx * dx + dy * dy;
    };
    std::stable_sort(Near.begin(), Near.end(),
                     [&](int a, int b) { return distance(a) < distance(b); });
    Visible.clear();
    Textured.clear();
    TileIndex.clear();
    for (int index : Near) {
        const TLookTile& planned = City.Tiles()[std::size_t(index)];
        const float min[3] = {planned.Min[0], -planned.Max[1], planned.Min[2]};
        const float max[3] = {planned.Max[0], -planned.Min[1], planned.Max[2]};
        if (BoxOutsideClip(clip, min, max)) continue;
        Visible.push_back(&City.Tile(map, look, index, light));
        TileIndex.push_back(index);
        Textured.push_back(distance(index) < TexturedDistance * TexturedDistance);
    }
    TilesDrawn = int(Visible.size());

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT);
    glEnable(GL_COLOR_MATERIAL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // A texture's detail averages about this much: a tile drawn flat is dimmed by it.
    constexpr double flat = 0.87;
    const double day = light.DayLight;

    // The ground: a plain floor, then each layer of every tile over it.
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    Ambient(day);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor3f(0.40f, 0.39f, 0.35f);
    // Out to the far plane whichever way the eye looks, so that no band of the background's
    // black ground shows at the horizon.
    const double reach = 2100;
    glBegin(GL_QUADS);
    glVertex3d(view.CamX - reach, -(view.CamY - reach), 0);
    glVertex3d(view.CamX + reach, -(view.CamY - reach), 0);
    glVertex3d(view.CamX + reach, -(view.CamY + reach), 0);
    glVertex3d(view.CamX - reach, -(view.CamY + reach), 0);
    glEnd();
    glEnableClientState(GL_COLOR_ARRAY);
    // Each tile's geometry goes to OpenGL once, into display lists, when it is first drawn.
    VisibleLists.clear();
    for (std::size_t t = 0; t < Visible.size(); ++t)
        VisibleLists.push_back(&ListsOf(TileIndex[t], *Visible[t]));
    for (int layer = 0; layer < GroundLayerCount; ++layer)
        for (std::size_t t = 0; t < Visible.size(); ++t) {
            if (!VisibleLists[t]->Used[std::size_t(layer)]) continue;
            Ambient(Textured[t] ? day : day * flat);
            if (Textured[t])
                glEnable(GL_TEXTURE_2D);
            else
                glDisable(GL_TEXTURE_2D);
            glCallList(VisibleLists[t]->First + unsigned(layer));
        }

    // What stands on it, texture by texture.
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    Frame.Clear();
    BuildLookTrams(map, world, view, light, Frame);
    for (int texture = 0; texture < LookTextureCount; ++texture) {
        const std::size_t slot = std::size_t(GroundLayerCount + texture);
        for (std::size_t t = 0; t < Visible.size(); ++t) {
            if (!VisibleLists[t]->Used[slot]) continue;
            Ambient(Textured[t] || texture == NoTexture ? day : day * flat);
            Bind(TLookTexture(texture), Textured[t]);
            glCallList(VisibleLists[t]->First + unsigned(slot));
        }
        Ambient(day);
        Bind(TLookTexture(texture), true);
        DrawTriangles(Frame.Solid[std::size_t(texture)]);
    }
    glDisable(GL_TEXTURE_2D);
    SetAlphaTest(NoTexture);
    const double treeReach = double(std::min(view.ViewDistTree, view.ViewDistWall));
    for (std::size_t t = 0; t < Visible.size(); ++t)
        if (!Visible[t]->Trees.empty() && distance(TileIndex[t]) < treeReach * treeReach)
            DrawTriangles(Visible[t]->Trees);
    for (const TLookTile* tile : Visible)
        if (!tile->Mesh.Lines.empty()) {
            Pointers(tile->Mesh.Lines);
            glDrawArrays(GL_LINES, 0, GLsizei(tile->Mesh.Lines.size()));
        }
    if (!Frame.Lines.empty()) {
        Pointers(Frame.Lines);
        glDrawArrays(GL_LINES, 0, GLsizei(Frame.Lines.size()));
    }

    // What shines by itself, at its own colour.
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    for (std::size_t t = 0; t < Visible.size(); ++t)
        if (VisibleLists[t]->Used[ListsPerTile - 1])
            glCallList(VisibleLists[t]->First + unsigned(ListsPerTile - 1));
    for (int texture = 0; texture < LookTextureCount; ++texture) {
        Bind(TLookTexture(texture), true);
        DrawTriangles(Frame.Shining[std::size_t(texture)]);
    }
    glDisable(GL_TEXTURE_2D);

    // Glowing spots at night, added to what is behind them.
    if (light.Night) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDepthMask(GL_FALSE);
        Bind(GlowTexture, true);
        for (const TLookTile* tile : Visible)
            DrawTriangles(tile->Mesh.Glow);
        DrawTriangles(Frame.Glow);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopClientAttrib();
    glPopAttrib();
    glColor4fv(colour);
}

} // namespace vell
