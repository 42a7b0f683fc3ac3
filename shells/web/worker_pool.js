// The page's module and its worker. The page compiles the WebAssembly
// module once; its own instance and a Web Worker's are made from it. The
// worker computes chunks of a run's time-only blocks when the run asks
// (WorkerCourier in worker_blocks.cpp calls begin, send, take and end
// below); every decision about which blocks go out, and whether the worker
// is worth it, is the run's. The worker is made from a Blob URL with the
// module's factory as its text, so that it works from file:// and from any
// static host, with no shared memory and no special headers. Without a
// worker the run computes every block itself.
'use strict';
const quorvexWorker = (() => {
  // Chunks the worker may have in hand at a time.
  const CHUNKS_OUT = 8;
  let compiled = null;  // the module, once compiled
  let worker = null;  // once it has said it is ready
  let blockBytes = 0;
  // Every run, and every run's end, takes a new number; a chunk that comes
  // back for another number than the current one is dropped.
  let run = 0;
  let values = null;  // the current run's step, duration and number of steps
  let out = 0;  // chunks the worker has in hand, of any run
  const arrived = new Map();  // the current run's chunks by their first block
  const spare = [];  // buffers back from the worker, for the next chunks
  let taken = 0;  // the current run's chunks the run has taken

  function state(text) {
    document.documentElement.dataset.worker = text;
  }

  function decodeBase64(text) {
    if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text);
    const chars = atob(text);
    const bytes = new Uint8Array(chars.length);
    for (let i = 0; i < chars.length; ++i) bytes[i] = chars.charCodeAt(i);
    return bytes;
  }

  // The module's bytes are in the page (base64) or in a file beside it.
  function compile() {
    const element = document.getElementById('quorvex-wasm');
    const src = element.dataset.src;
    if (!src) return WebAssembly.compile(decodeBase64(element.textContent));
    const bytes = () => fetch(src).then((response) => response.arrayBuffer()).then((b) => WebAssembly.compile(b));
    // Streaming needs the file served as application/wasm.
    return WebAssembly.compileStreaming ? WebAssembly.compileStreaming(fetch(src)).catch(bytes) : bytes();
  }

  // The module instantiated from the compiled one, in the page or in the
  // worker: emscripten's instantiateWasm hook.
  function instantiateFrom(module, failed) {
    return (imports, receive) => {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module), failed);
      return {};
    };
  }

  // The page's own instance.
  function load() {
    return compile().then((module) => {
      compiled = module;
      return createQuorvex({instantiateWasm: instantiateFrom(module), quorvexWorker: courier});
    }).then((quorvex) => {
      blockBytes = quorvex._qv_block_bytes();
      return quorvex;
    });
  }

  // The worker's script (with the factory and instantiateFrom beside it):
  // it instantiates the module it is sent, then fills
  // each chunk it is asked for in its memory and sends the bytes back in the
  // buffer that came with the request.
  function workerMain() {
    let quorvex = null;
    onmessage = (e) => {
      const m = e.data;
      if (m.module) {
        const failed = (error) => postMessage({failed: String(error)});
        createQuorvex({instantiateWasm: instantiateFrom(m.module, failed)}).then((module) => {
          quorvex = module;
          postMessage({ready: true});
        });
        return;
      }
      const bytes = m.count * m.blockBytes;
      const at = quorvex._qv_fill_blocks(m.stepDays, m.durationYears, m.totalSteps, m.first, m.count);
      const buffer = m.buffer.byteLength >= bytes ? m.buffer : new ArrayBuffer(bytes);
      new Uint8Array(buffer, 0, bytes).set(quorvex.HEAPU8.subarray(at, at + bytes));
      postMessage({run: m.run, first: m.first, buffer}, [buffer]);
    };
  }

  function unavailable(w) {
    if (w) w.terminate();
    worker = null;
    state('none');
  }

  // Starts the worker once the page has shown its dialog; not on a machine
  // with one processor, where it could only take turns with the page.
  function start() {
    if (!compiled || typeof Worker !== 'function' || navigator.hardwareConcurrency < 2) return state('none');
    state('starting');
    requestAnimationFrame(() => setTimeout(() => {
      let w = null;
      const url = URL.createObjectURL(new Blob(
          ['var _scriptDir;\nvar createQuorvex = ' + createQuorvex.toString() + ';\n' + instantiateFrom.toString() +
           '\n(' + workerMain.toString() + ')();\n'],
          {type: 'text/javascript'}));
      try {
        w = new Worker(url);
      } catch (e) {
        URL.revokeObjectURL(url);
        return unavailable(null);
      }
      w.onmessage = (e) => {
        const m = e.data;
        if (m.ready) {
          URL.revokeObjectURL(url);
          worker = w;
          state('ready');
        } else if (m.failed) {
          unavailable(w);
        } else {
          --out;
          if (m.run === run) arrived.set(m.first, m.buffer);
          else spare.push(m.buffer);
        }
      };
      // A worker that cannot load or fails is no error of the page: the run
      // computes its blocks itself.
      w.onerror = (e) => {
        e.preventDefault();
        unavailable(w);
      };
      w.postMessage({module: compiled});
    }));
  }

  function dropArrived() {
    for (const buffer of arrived.values()) spare.push(buffer);
    arrived.clear();
  }

  const courier = {
    begin(stepDays, durationYears, totalSteps) {
      ++run;
      values = {stepDays, durationYears, totalSteps};
      dropArrived();
      taken = 0;
    },
    send(first, count) {
      if (!worker || out >= CHUNKS_OUT) return 0;
      const buffer = spare.pop() || new ArrayBuffer(count * blockBytes);
      worker.postMessage({run, first, count, blockBytes, ...values, buffer}, [buffer]);
      ++out;
      return 1;
    },
    take(first, bytes, heap, to) {
      const buffer = arrived.get(first);
      if (!buffer) return 0;
      arrived.delete(first);
      heap.set(new Uint8Array(buffer, 0, bytes), to);
      spare.push(buffer);
      ++taken;
      return 1;
    },
    end() {
      ++run;
      dropArrived();
      // How much of the run the worker did, for the page's tests.
      performance.mark('quorvex-worker-chunks', {detail: taken});
    },
  };

  return {load, start};
})();
