// What the browser binding asks of the page: one <canvas> per window under a caption bar, its
// painting, the HTML boxes, the timers. The C++ side keeps every rule; this file only calls the
// browser. Windows and timers are known by the numbers the C++ side gives them.
mergeInto(LibraryManager.library, {
  $klb: {
    windows: {},  // number -> {frame, canvas, context, scale}
    timers: {},   // number -> {interval, next, handle}
    focused: null,
    ended: false,

    // An event for the program, unless a handler is waiting on a box: as on the desktop, what
    // comes meanwhile is dropped, and only one handler may wait at a time.
    deliver: function(name, args) {
      if (klb.ended || Asyncify.currData) return;
      var types = args.map(function(arg) { return typeof arg === 'string' ? 'string' : 'number'; });
      ccall(name, null, types, args, {async: true});
    },

    desktop: function() {
      var desk = document.getElementById('desktop');
      if (!desk) {
        desk = document.createElement('main');
        desk.id = 'desktop';
        document.body.appendChild(desk);
      }
      return desk;
    },

    // The point under a pointer event, in the window's model pixels.
    model_point: function(win, event) {
      var box = win.canvas.getBoundingClientRect();
      var width = win.canvas.width / win.scale, height = win.canvas.height / win.scale;
      return [Math.floor((event.clientX - box.left) * width / box.width),
              Math.floor((event.clientY - box.top) * height / box.height)];
    },

    box: function(kind, title, text, prompt) {
      return new Promise(function(resolve) {
        var dialog = document.createElement('dialog');
        dialog.className = 'box ' + kind;
        dialog.setAttribute('aria-label', title);
        var form = document.createElement('form');
        form.method = 'dialog';
        var heading = document.createElement('h2');
        heading.textContent = title;
        var message = document.createElement('p');
        message.textContent = text;
        form.append(heading, message);
        var input = null;
        if (prompt) {
          input = document.createElement('input');
          input.type = 'text';
          input.maxLength = prompt.max;
          input.autocomplete = 'off';
          input.spellcheck = false;
          // A phone's keyboard: plain text, no capital forced, "Enter" answers.
          input.inputMode = 'text';
          input.enterKeyHint = 'done';
          input.autocapitalize = 'off';
          form.append(input);
        }
        var buttons = document.createElement('div');
        buttons.className = 'buttons';
        var ok = document.createElement('button');
        ok.value = 'ok';
        ok.textContent = 'OK';
        buttons.append(ok);
        if (prompt) {
          var cancel = document.createElement('button');
          cancel.value = 'cancel';
          cancel.textContent = 'Annuler';
          // A click, not a submission: the form must not take the typed text for an answer.
          cancel.type = 'button';
          cancel.addEventListener('click', function() { dialog.close('cancel'); });
          buttons.append(cancel);
        }
        form.append(buttons);
        dialog.append(form);
        dialog.addEventListener('close', function() {
          var answer = dialog.returnValue === 'ok' && input ? input.value : '';
          dialog.remove();
          if (klb.focused) klb.focused.canvas.focus({preventScroll: true});
          resolve(answer);
        });
        // Échap cancels, as Annuler does; the browser closes the box with an empty answer.
        dialog.addEventListener('cancel', function() { dialog.returnValue = 'cancel'; });
        klb.desktop().append(dialog);
        dialog.showModal();
        (input || ok).focus();
      });
    },

    schedule: function(id) {
      var t = klb.timers[id];
      t.handle = setTimeout(function() { klb.fire(id); }, Math.max(0, t.next - performance.now()));
    },

    // Each tick falls due a whole interval after the last one due, not after the last one run,
    // so the browser's lateness does not add up. Ticks missed (a busy page) are dropped.
    fire: function(id) {
      var t = klb.timers[id];
      if (!t) return;
      var now = performance.now();
      t.next += t.interval;
      if (t.next <= now) t.next = now + t.interval;
      klb.schedule(id);
      klb.deliver('klb_web_tick', [id]);
    },

    // A hidden tab stops its clocks (browsers would slow them to a tick a second); shown
    // again, each counts its interval anew, as a timer switched on does.
    pause_or_resume: function() {
      for (var id in klb.timers) {
        var t = klb.timers[id];
        clearTimeout(t.handle);
        if (!document.hidden) {
          t.next = performance.now() + t.interval;
          // A key of the object is text; the program must be given its timer's number.
          klb.schedule(Number(id));
        }
      }
    },
  },

  klb_web_window_open__deps: ['$klb'],
  klb_web_window_open: function(id, caption) {
    if (!klb.visibility_watched) {
      document.addEventListener('visibilitychange', klb.pause_or_resume);
      klb.visibility_watched = true;
    }
    var frame = document.createElement('section');
    frame.className = 'window';
    frame.hidden = true;
    var bar = document.createElement('header');
    var title = document.createElement('h1');
    title.textContent = UTF8ToString(caption);
    var close = document.createElement('button');
    close.className = 'close';
    close.textContent = '\u00d7';
    close.title = 'Fermer';
    close.addEventListener('click', function() { klb.deliver('klb_web_closed', [id]); });
    bar.append(title, close);
    var canvas = document.createElement('canvas');
    canvas.tabIndex = 0;
    frame.append(bar, canvas);
    klb.desktop().append(frame);
    var win = {frame: frame, title: title, canvas: canvas, context: canvas.getContext('2d'),
               scale: 1};
    klb.windows[id] = win;

    canvas.addEventListener('pointerdown', function(event) {
      if (event.button !== 0) return;
      klb.focused = win;
      canvas.focus({preventScroll: true});
      canvas.setPointerCapture(event.pointerId);
      var at = klb.model_point(win, event);
      klb.deliver('klb_web_press', [id, at[0], at[1]]);
      event.preventDefault();
    });
    canvas.addEventListener('pointerup', function(event) {
      if (event.button !== 0) return;
      var at = klb.model_point(win, event);
      klb.deliver('klb_web_release', [id, at[0], at[1]]);
    });
    canvas.addEventListener('pointercancel', function() { klb.deliver('klb_web_cancel', [id]); });
    canvas.addEventListener('keydown', function(event) {
      if (event.key === ' ') event.preventDefault();  // it would scroll the page
      var modified = event.ctrlKey || event.altKey || event.metaKey;
      klb.deliver('klb_web_key', [id, event.key, modified ? 1 : 0, event.repeat ? 1 : 0]);
    });
  },

  // The caption bar's height and the room the page gives a window, in device pixels: the
  // viewport less the desktop's margins, the window's border and what the page shows beside
  // the desktop (its footer), so that the page never scrolls. On a touch screen (a phone, a
  // tablet) a window takes all that room; on a desktop, the screen's own scale.
  klb_web_screen__deps: ['$klb'],
  klb_web_screen: function(out) {
    var ratio = window.devicePixelRatio || 1;
    var bar = 24, border = 2;
    var desk = klb.desktop(), style = getComputedStyle(desk), beside = 0;
    for (var i = 0; i < document.body.children.length; ++i) {
      var child = document.body.children[i];
      if (child !== desk) beside += child.offsetHeight;
    }
    var width = document.documentElement.clientWidth - border -
                parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    var height = window.innerHeight - border - beside -
                 parseFloat(style.paddingTop) - parseFloat(style.paddingBottom);
    HEAPF64[out >> 3] = ratio;
    HEAP32[(out >> 2) + 2] = Math.round(bar * ratio);
    HEAP32[(out >> 2) + 3] = Math.floor(width * ratio);
    HEAP32[(out >> 2) + 4] = Math.floor(height * ratio);
    HEAP32[(out >> 2) + 5] = matchMedia('(pointer: coarse)').matches ? 1 : 0;
  },

  // width, height: the client area in model pixels. The canvas holds scale device pixels for
  // each, and takes as many CSS pixels as that makes on this screen.
  klb_web_window_size__deps: ['$klb'],
  klb_web_window_size: function(id, width, height, scale) {
    var win = klb.windows[id];
    var ratio = window.devicePixelRatio || 1;
    win.scale = scale;
    win.canvas.dataset.scale = scale;  // read by the tests, which see the model's pixels
    win.canvas.width = width * scale;
    win.canvas.height = height * scale;
    win.canvas.style.width = (width * scale / ratio) + 'px';
    win.canvas.style.height = (height * scale / ratio) + 'px';
  },

  klb_web_window_caption__deps: ['$klb'],
  klb_web_window_caption: function(id, caption) {
    klb.windows[id].title.textContent = UTF8ToString(caption);
  },

  klb_web_window_show__deps: ['$klb'],
  klb_web_window_show: function(id, shown) {
    var win = klb.windows[id];
    if (win.frame.hidden === !shown) return;
    win.frame.hidden = !shown;
    if (shown) {
      klb.focused = win;
      // Not scrolled to: a window taller than the page is seen from its caption bar down.
      win.canvas.focus({preventScroll: true});
    } else if (klb.focused === win) {
      klb.focused = null;
    }
  },

  klb_web_paint_begin__deps: ['$klb'],
  klb_web_paint_begin: function(id) {
    var win = klb.windows[id];
    klb.painting = win;
    var c = win.context;
    c.setTransform(win.scale, 0, 0, win.scale, 0, 0);
    c.imageSmoothingEnabled = false;
  },

  klb_web_fill__deps: ['$klb'],
  klb_web_fill: function(x, y, width, height, rgb) {
    var c = klb.painting.context;
    c.fillStyle = '#' + (0x1000000 + rgb).toString(16).slice(1);
    c.fillRect(x, y, width, height);
  },

  klb_web_clip__deps: ['$klb'],
  klb_web_clip: function(x, y, width, height) {
    var c = klb.painting.context;
    c.save();
    c.beginPath();
    c.rect(x, y, width, height);
    c.clip();
  },

  klb_web_unclip__deps: ['$klb'],
  klb_web_unclip: function() {
    klb.painting.context.restore();
  },

  // A picture of the site's pictures/ folder at its natural size, from its upper-left corner.
  klb_web_picture__deps: ['$klb'],
  klb_web_picture: function(name, x, y) {
    var image = Module['pictures'][UTF8ToString(name)];
    if (image) klb.painting.context.drawImage(image, x, y);
  },

  // align: 0 left, 1 centred; middle: centred in the height, else from the top.
  klb_web_text__deps: ['$klb'],
  klb_web_text: function(text, x, y, width, height, family, size, bold, rgb, align, middle) {
    var c = klb.painting.context;
    c.save();
    c.beginPath();
    c.rect(x, y, width, height);
    c.clip();
    c.font = (bold ? 'bold ' : '') + size + 'px "' + UTF8ToString(family) +
             '", "Comic Neue", sans-serif';
    c.fillStyle = '#' + (0x1000000 + rgb).toString(16).slice(1);
    c.textAlign = align ? 'center' : 'left';
    var lines = UTF8ToString(text).replace(/\0/g, '').split('\n');
    var step = Math.round(size * 1.2);
    c.textBaseline = middle ? 'middle' : 'top';
    var top = middle ? y + height / 2 - (lines.length - 1) * step / 2 : y;
    var left = align ? x + width / 2 : x;
    lines.forEach(function(line, i) { c.fillText(line, left, top + i * step); });
    c.restore();
  },

  klb_web_input_box__deps: ['$klb'],
  klb_web_input_box__sig: 'iiii',
  klb_web_input_box: function(title, prompt, max_chars) {
    return Asyncify.handleAsync(function() {
      return klb.box('question', UTF8ToString(title), UTF8ToString(prompt), {max: max_chars})
          .then(function(answer) { return allocateUTF8(answer); });
    });
  },

  // kind: 0 a message, 1 a runtime error.
  klb_web_message_box__deps: ['$klb'],
  klb_web_message_box__sig: 'iiii',
  klb_web_message_box: function(title, text, kind) {
    return Asyncify.handleAsync(function() {
      return klb.box(kind ? 'error' : 'message', UTF8ToString(title), UTF8ToString(text), null)
          .then(function() { return 0; });
    });
  },

  klb_web_timer_start__deps: ['$klb'],
  klb_web_timer_start: function(id, interval) {
    var old = klb.timers[id];
    if (old) clearTimeout(old.handle);
    klb.timers[id] = {interval: interval, next: performance.now() + interval, handle: 0};
    if (!document.hidden) klb.schedule(id);
  },

  klb_web_timer_stop__deps: ['$klb'],
  klb_web_timer_stop: function(id) {
    var t = klb.timers[id];
    if (t) clearTimeout(t.handle);
    delete klb.timers[id];
  },

  // Every window goes; the page says the program has ended and offers to start it again.
  klb_web_end__deps: ['$klb'],
  klb_web_end: function(title) {
    klb.ended = true;
    for (var id in klb.timers) clearTimeout(klb.timers[id].handle);
    klb.timers = {};
    for (var w in klb.windows) klb.windows[w].frame.hidden = true;
    var note = document.createElement('section');
    note.className = 'ended';
    var text = document.createElement('p');
    text.textContent = UTF8ToString(title) + ' est terminé.';
    var again = document.createElement('button');
    again.textContent = 'Relancer ' + UTF8ToString(title);
    again.addEventListener('click', function() { location.reload(); });
    note.append(text, again);
    klb.desktop().append(note);
    again.focus();
  },
});
