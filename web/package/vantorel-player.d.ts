// Types of the <vantorel-player> element: an .anim animation on a web page.

/** The <vantorel-player> element. Its attributes: src, captions, fps, fms, autoplay, loop,
 *  controls, frame-numbers, delay, width, height, alt, poster, loading="lazy", pixelated. */
export declare class VantorelPlayerElement extends HTMLElement {
  /** The .anim file's URL; setting it loads the new file. */
  src: string;
  /** True while paused (also before playback starts and once ended). */
  readonly paused: boolean;
  /** True once a file played without `loop` has shown its last frame. */
  readonly ended: boolean;
  /** The frame on screen (1 is the first); settable while paused, which seeks. */
  currentFrame: number;
  /** The number of frames, once the whole file has arrived; null before. */
  readonly frameCount: number | null;
  /** Speed relative to the frame rate asked for; changes in steps of 1.4. */
  playbackRate: number;
  /** The animation's extent in pixels (0 before loadedmetadata). */
  readonly videoWidth: number;
  readonly videoHeight: number;
  /** The last error shown in the element, or null. */
  readonly error: { message: string } | null;
  /** Starts or resumes playback (replays an ended element). */
  play(): Promise<void>;
  /** Pauses playback. */
  pause(): void;
  /** Plays a local file (from an <input type=file> or a drop), with an optional caption file. */
  open(file: Blob & { name?: string }, captionFile?: (Blob & { name?: string }) | null): Promise<void>;
}

/** What another format's file begins with ("a PNG image", ...), or null. */
export declare function foreignFormat(bytes: Uint8Array): string | null;

declare global {
  interface HTMLElementTagNameMap {
    'vantorel-player': VantorelPlayerElement;
  }
  interface HTMLElementEventMap {
    /** The frame on screen changed (at most four times a second). */
    frame: CustomEvent<{ frame: number }>;
  }
}
